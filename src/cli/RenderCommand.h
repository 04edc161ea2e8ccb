// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `quarn render`: a script run on a virtual clock, its sound written to a file
// as fast as it can be computed, the same bytes on every render.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class RenderProgress;

// What still sounds when the last thread of the script has ended (a sample, a
// voice left playing) is kept for this long unless --tail says otherwise.
inline constexpr double kDefaultRenderTailSeconds = 2.0;
// The longest tail --tail accepts.
inline constexpr double kMaxRenderTailSeconds = 60.0;
// Without --seconds a script that never ends is cut off after this much audio.
inline constexpr double kRenderCapSeconds = 600.0;
// Turns the script's threads may take at one moment of the render: well above
// a run's most async blocks. Beyond it the threads start one another without
// ever waiting, time never moves on, and the render ends there.
inline constexpr std::int64_t kMaxTurnsAtOneMoment = 120'000;
// The longest render --seconds accepts: a float WAV stays below 4 GB.
inline constexpr double kMaxRenderSeconds = 3.0 * 60.0 * 60.0;
// The shortest: a render of no frames would be an empty file.
inline constexpr std::int64_t kMinRenderFrames = 1;

// The whole frames of a length in seconds, as a render counts them.
std::int64_t renderFrames(double seconds);

struct RenderOptions {
  std::string output;                    // a file (.wav, .flac, .ogg), or "-": WAV on standard output
  std::optional<double> seconds;         // the exact length; otherwise until the end plus the tail
  double tailSeconds = kDefaultRenderTailSeconds;
  std::string sampleFormat;              // "float", "24", "16", or empty for the default
  std::filesystem::path resourcesDir;    // bundled sounds
  RenderProgress* progress = nullptr;    // shows how far the render has come
  const std::atomic<bool>* halt = nullptr;  // set on another thread: the render stops, nothing written
};

// Compiles the script and renders it to options.output. Console lines go
// through printLine, problems as one line to err: a parse error (status 1),
// a file that cannot be written (status 2). A failed render leaves no file
// under the output's name.
int renderCommand(std::string_view source, const RenderOptions& options, std::ostream& err);

// The render subcommand from its words after "render": options, FILE.
int renderCli(const std::vector<std::string>& args);

}  // namespace quarn
