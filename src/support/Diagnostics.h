// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every diagnostic line of the system goes through printLine: whole lines, in the
// order they were printed, handed to a writer thread (LineWriter.h) so that no
// caller waits on standard output. A thread may also carry a line route: the
// lines it prints then also go to that route (the window's console for one run),
// and jobs it hands to the work queue carry the route along. A line a statement
// prints carries where that statement stands, for the route (never for stdout).
// Called from any thread except the audio render thread.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "support/SourceOffset.h"

namespace quarn {

// How long the exit waits for standard output to take lines before giving up.
inline constexpr std::chrono::milliseconds kExitFlushPatience{1000};

// The tag most diagnostic lines begin with.
inline constexpr std::string_view kLogTag = "[VRKLog] ";

// A tagged line: kLogTag, then the parts (anything a string_view is made from) in order.
template <class... Parts>
std::string logLine(const Parts&... parts) {
  const std::string_view pieces[] = {kLogTag, std::string_view(parts)...};
  std::size_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  std::string line;
  line.reserve(size);
  for (std::string_view piece : pieces) line.append(piece);
  return line;
}

// Writes text followed by a newline as one unit, to the calling thread's route
// (if any, with `at`) and to standard output.
void printLine(std::string_view text, SourceOffset at = kNoSourceOffset);

// text as it may stand inside one line: control characters (a newline would
// start a line of its own, that looks like the program's) as \n, \r, \t or \xHH.
std::string escapeControls(std::string_view text);

// Tests (and the golden-script driver) redirect lines here instead of stdout.
// Pass an empty function to restore standard output. The sink is called with
// the internal lock held, so it must not call printLine itself.
using LineSink = std::function<void(std::string_view line)>;
void setLineSink(LineSink sink);

// Where one run's lines go besides standard output, each with the place of the
// statement that printed it. Called on the printing thread, without a lock
// held: it must be safe to call from many threads at once.
using RoutedLineSink = std::function<void(std::string_view line, SourceOffset at)>;
using LineRoute = std::shared_ptr<const RoutedLineSink>;

// Lines printed on this thread while the scope lives also go to route.
class ScopedLineRoute {
public:
  explicit ScopedLineRoute(LineRoute route);
  ~ScopedLineRoute();
  ScopedLineRoute(const ScopedLineRoute&) = delete;
  ScopedLineRoute& operator=(const ScopedLineRoute&) = delete;

private:
  LineRoute previous_;
};

// job, made to run under the calling thread's route; job itself when there is none.
std::function<void()> withCurrentLineRoute(std::function<void()> job);

// Waits until standard output has taken every line printed so far, or made no
// progress for kExitFlushPatience. Runs by itself at exit and quick_exit.
void flushStandardOutput();

}  // namespace quarn
