#pragma once
// Every standard-output line of the system goes through printLine: one write per
// whole line, flushed, so lines from many threads never interleave.
// Called from any thread except the audio render thread.

#include <functional>
#include <string_view>

namespace quarn {

// Writes text followed by a newline as one unit.
void printLine(std::string_view text);

// Tests (and the golden-script driver) redirect lines here instead of stdout.
// Pass an empty function to restore standard output. The sink is called with
// the internal lock held, so it must not call printLine itself.
using LineSink = std::function<void(std::string_view line)>;
void setLineSink(LineSink sink);

}  // namespace quarn
