// SPDX-License-Identifier: GPL-3.0-or-later
// The words of `quarn render`: its options, its FILE, where its lines go.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <iostream>

#include "audio/EngineManager.h"
#include "cli/Cli.h"
#include "cli/RenderCommand.h"
#include "cli/RenderProgress.h"
#include "support/Diagnostics.h"
#include "support/WriteAll.h"

namespace quarn {
namespace {

// A number of seconds in (0, most], or [0, most] when zero is allowed.
std::optional<double> secondsIn(const std::string& text, double most, bool zeroAllowed) {
  double value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  if (value < 0 || (value == 0 && !zeroAllowed) || value > most) return std::nullopt;
  return value;
}

int badValue(const std::string& option, const std::string& wanted, const std::string& given) {
  std::cerr << "quarn: " << option << " needs " << wanted << ", not '" << given << "'\n";
  return 2;
}

// Fills options from the option words; returns 0, -1 after printing the help,
// or the exit status of a mistake.
int readOptions(const std::vector<std::string>& args, RenderOptions& options, std::vector<std::string>& files) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << usageText();
      return -1;
    }
    const bool takesValue = arg == "-o" || arg == "--seconds" || arg == "--tail" || arg == "--format";
    if (!takesValue) {
      if (arg.size() > 1 && arg[0] == '-') return usageError("unknown option '" + arg + "'");
      files.push_back(arg);
      continue;
    }
    if (i + 1 == args.size()) return usageError(arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "-o") {
      options.output = value;
    } else if (arg == "--format") {
      if (value != "float" && value != "24" && value != "16") return badValue(arg, "float, 24 or 16", value);
      options.sampleFormat = value;
    } else if (arg == "--seconds") {
      options.seconds = secondsIn(value, kMaxRenderSeconds, false);
      if (!options.seconds)
        return badValue(arg, "a positive number of seconds, at most " + std::to_string(int(kMaxRenderSeconds)), value);
      if (renderFrames(*options.seconds) < kMinRenderFrames)
        return badValue(arg, "at least one frame of audio (1/" + std::to_string(int(kSampleRate)) + " s)", value);
    } else if (auto tail = secondsIn(value, kMaxRenderTailSeconds, true)) {
      options.tailSeconds = *tail;
    } else {
      return badValue(arg, "a number of seconds from 0 to " + std::to_string(int(kMaxRenderTailSeconds)), value);
    }
  }
  return 0;
}

// Without -o the sound goes beside the script, under its name with .wav.
int chooseOutput(const std::string& file, RenderOptions& options) {
  std::error_code ignored;
  if (!options.output.empty() && file != "-" && options.output != "-" &&
      std::filesystem::equivalent(file, options.output, ignored)) {
    std::cerr << "quarn: -o " << options.output << " is the script itself, which the render would overwrite; "
              << "give another OUT\n";
    return 2;
  }
  if (!options.output.empty()) return 0;
  if (file == "-") return usageError("render from standard input needs -o OUT");
  const std::filesystem::path output = std::filesystem::path(file).replace_extension(".wav");
  if (output == std::filesystem::path(file)) {
    std::cerr << "quarn: rendering " << file << " to itself would overwrite the script; give -o OUT\n";
    return 2;
  }
  options.output = output.string();
  return 0;
}

}  // namespace

// Console lines go to standard output, or to standard error when the sound
// does; either way a progress line on the terminal is taken away first.
int renderCli(const std::vector<std::string>& args) {
  RenderOptions options;
  std::vector<std::string> files;
  if (int status = readOptions(args, options, files)) return status < 0 ? 0 : status;
  if (files.size() != 1) return usageError("render needs exactly one FILE");
  if (int status = chooseOutput(files[0], options)) return status;
  if (options.output == "-" && ::isatty(STDOUT_FILENO)) {
    std::cerr << "quarn: -o - writes sound to standard output, which is a terminal; redirect it or give -o OUT\n";
    return 2;
  }
  int status = 0;
  auto source = sourceOf(files[0], status);
  if (!source) return status;

  options.resourcesDir = EngineManager::defaultResourcesDir();
  RenderProgress progress(STDERR_FILENO);
  if (::isatty(STDERR_FILENO)) options.progress = &progress;
  const int linesTo = options.output == "-" ? STDERR_FILENO : STDOUT_FILENO;
  if (options.progress || linesTo != STDOUT_FILENO) {
    setLineSink([&progress, linesTo](std::string_view line) {
      progress.clear();
      std::string whole(line);
      whole += '\n';
      writeAll(linesTo, whole.data(), whole.size());
    });
  }
  status = renderCommand(*source, options, std::cerr);
  flushStandardOutput();  // the render's lines are out before the command is done
  progress.clear();
  setLineSink({});
  return status;
}

}  // namespace quarn
