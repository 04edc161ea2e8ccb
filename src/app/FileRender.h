// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's "Render to File…": the script rendered as `quarn render` does
// it, with its outcome as console lines. No widget here: the window calls it on
// a thread of its own and shows the lines.
// Threads: renderScriptToFile on any thread but the window's (it takes as long
// as the render); the texts anywhere.

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace quarn {

std::string renderStartedText(const std::filesystem::path& output);
// When the system has no thread to spare for a render.
std::string renderNotStartedText(const std::string& reason);
std::string renderedText(const std::filesystem::path& output, double seconds);

// Renders source to output (its extension picks the format), stopping with
// nothing written once halt is set. The lines: the rendered line, or the
// problems renderCommand reports.
std::vector<std::string> renderScriptToFile(const std::string& source, const std::filesystem::path& output,
                                            const std::atomic<bool>* halt = nullptr);

}  // namespace quarn
