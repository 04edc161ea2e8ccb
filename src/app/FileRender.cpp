// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileRender.h"

#include <cstdio>
#include <sstream>

#include "audio/EngineManager.h"
#include "audio/SndfileLibrary.h"
#include "cli/RenderCommand.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

// The length of the written file, as the file itself says.
double secondsOf(const fs::path& file) {
  SF_INFO info{};
  SNDFILE* sound = sndfileOpen(file.c_str(), SFM_READ, &info);
  if (sound == nullptr) return 0.0;
  sndfileClose(sound);
  return info.samplerate > 0 ? static_cast<double>(info.frames) / info.samplerate : 0.0;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

}  // namespace

std::string renderStartedText(const fs::path& output) {
  return "Rendering to " + output.filename().string() + "…";
}

std::string renderNotStartedText(const std::string& reason) {
  return "Could not start the render: " + reason + ". Close other programs and try again.";
}

std::string renderedText(const fs::path& output, double seconds) {
  char length[32];
  std::snprintf(length, sizeof length, "%.2f", seconds);
  return "Rendered " + output.filename().string() + " (" + length + " s of audio).";
}

std::vector<std::string> renderScriptToFile(const std::string& source, const fs::path& output,
                                            const std::atomic<bool>* halt) {
  RenderOptions options;
  options.halt = halt;
  options.output = output.string();
  options.resourcesDir = EngineManager::defaultResourcesDir();
  std::ostringstream err;
  const int status = renderCommand(source, options, err);
  std::vector<std::string> lines = linesOf(err.str());  // warnings of a render that worked too
  if (status == 0) lines.push_back(renderedText(output, secondsOf(output)));
  return lines;
}

}  // namespace quarn
