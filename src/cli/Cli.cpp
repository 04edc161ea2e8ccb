// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include <filesystem>
#include <iostream>
#include <new>
#include <system_error>

#include "audio/AudioDevice.h"
#include "audio/EngineLimits.h"
#include "audio/EngineManager.h"
#include "cli/Commands.h"
#include "cli/RenderCommand.h"
#include "support/OutOfMemory.h"
#include "support/ScriptFile.h"

namespace quarn {

int usageError(const std::string& problem) {
  std::cerr << "quarn: " << problem << "\n" << usageText();
  return 2;
}

std::optional<std::string> sourceOf(const std::string& path, int& status) {
  std::string error;
  auto source = readScript(path, error);
  if (!source) {
    std::cerr << "quarn: cannot read " << path << ": " << error << "\n";
    status = 2;
  }
  return source;
}

namespace {

// An allocation failure outside a run's own guard: one line, status 1.
int reportOutOfMemory(std::string_view activity) {
  std::cerr << outOfMemoryLine(activity) << "\n" << std::flush;
  return 1;
}

bool isHelp(std::string_view word) { return word == "--help" || word == "-h" || word == "help"; }
constexpr const char* kLicenceLine = "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n";
const std::string kLatencyProblem = "--latency needs a whole number of milliseconds from " +
                                    std::to_string(kMinLatencyMilliseconds) + " to " +
                                    std::to_string(kMaxLatencyMilliseconds);

// The milliseconds of --latency, or -1 when the text is not one in range.
long long parseLatency(const std::string& text) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  const long long value = std::stoll(text);
  return value >= kMinLatencyMilliseconds && value <= kMaxLatencyMilliseconds ? value : -1;
}

}  // namespace

std::string usageText() {
  return "Usage:\n"
         "  quarn [FILE]               open the workbench window, with FILE in it\n"
         "  quarn tokens FILE          print the tokens of a script, one per line\n"
         "  quarn check FILE           parse a script; print the parse error, if any (exit 1)\n"
         "  quarn run [--silent] [--latency MS] [--device D] FILE  run a script headless\n"
         "  quarn render [options] FILE  render a script to a sound file, faster than real time\n"
         "      -o OUT       .wav (FILE's name with .wav by default), .flac or .ogg; - for WAV on standard output\n"
         "      --seconds N  render exactly N seconds\n"
         "      --tail S     keep S seconds after the script ends (default 2)\n"
         "      --format F   samples as float, 24 or 16 bits (default 16)\n"
         "  quarn --help               show this help\n"
         "  quarn --version            show the version and the licence\n"
         "A subcommand's FILE may be - to read standard input. --silent uses no audio\n"
         "device; --latency schedules sound changes MS ahead (" +
         std::to_string(kMinLatencyMilliseconds) + " to " + std::to_string(kMaxLatencyMilliseconds) +
         ", default " + std::to_string(kDefaultLatencyMilliseconds) +
         ");\n--device plays through D (pulse, alsa or jack) instead of the default (PulseAudio,\n"
         "else ALSA).\n" +
         kLicenceLine;
}

std::optional<std::string> workbenchFileArgument(const std::vector<std::string>& args) {
  if (args.size() != 1) return std::nullopt;
  const std::string& word = args[0];
  if (word.empty() || word[0] == '-' || isHeadlessCommand(word)) return std::nullopt;
  std::error_code ignored;
  const std::filesystem::path path(word);
  if (std::filesystem::is_regular_file(path, ignored) || path.extension() == ".quarn") return word;
  return std::nullopt;
}

bool isHeadlessCommand(std::string_view word) {
  return isHelp(word) || word == "--version" || word == "tokens" || word == "check" || word == "run" ||
         word == "render";
}

int runCli(const std::vector<std::string>& args) {
  if (args.empty()) return usageError("missing subcommand");
  const std::string& command = args[0];
  if (isHelp(command)) {
    std::cout << usageText();
    return 0;
  }
  if (command == "--version") {
    std::cout << "quarn (Quarn Workbench) " QUARN_VERSION "\n" << kLicenceLine
              << "This is free software: you are free to change and redistribute it.\n"
                 "There is NO WARRANTY, to the extent permitted by law.\n";
    return 0;
  }
  if (command == "render") {
    try {
      return renderCli(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::bad_alloc&) {
      return reportOutOfMemory("rendering the script");
    }
  }
  bool silent = false;
  long long latency = -1;
  std::string device;
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (command == "run" && arg == "--silent") {
      silent = true;
    } else if (command == "run" && arg == "--latency") {
      latency = i + 1 < args.size() ? parseLatency(args[++i]) : -1;
      if (latency < 0) return usageError(kLatencyProblem);
    } else if (command == "run" && arg == "--device") {
      device = i + 1 < args.size() ? args[++i] : "";
      if (!soundSystemNamed(device)) return usageError("--device needs pulse, alsa or jack");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option '" + arg + "'");
    } else {
      files.push_back(arg);
    }
  }
  if (command != "tokens" && command != "check" && command != "run")
    return usageError("unknown subcommand '" + command + "'");
  if (files.size() != 1) return usageError(command + " needs exactly one FILE");

  // A run's own failures are reported by the run; an allocation failure anywhere
  // else ends the subcommand with one line.
  std::string_view activity = "reading the script";
  try {
    int status = 0;
    auto source = sourceOf(files[0], status);
    if (!source) return status;
    activity = command == "tokens" ? "listing the tokens" : "compiling the script";
    if (command == "tokens") return tokensCommand(*source, std::cout);
    if (command == "check") return checkCommand(*source, std::cerr);
    RunOptions options;
    options.silent = silent;
    options.latencyMilliseconds = latency;
    options.deviceName = device;
    options.resourcesDir = EngineManager::defaultResourcesDir();
    options.handleInterrupt = true;
    return runCommand(*source, options, std::cerr);
  } catch (const std::bad_alloc&) {
    return reportOutOfMemory(activity);
  } catch (const std::system_error& error) {  // the Ctrl+C watcher's thread did not start
    std::cerr << "quarn: could not start a thread: " << error.what() << "\n" << std::flush;
    return 1;
  }
}

}  // namespace quarn
