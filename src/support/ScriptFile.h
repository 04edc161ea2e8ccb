// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a script as the command line and the window both do: a file, or
// standard input for "-", whole. A script is text: a NUL byte means the file is
// not one (the editor would cut it there and a save would lose the rest), so it
// is refused everywhere the same way. Called from any thread.

#include <cstdint>
#include <optional>
#include <string>

namespace quarn {

// No size limit (the command line reads what it is given).
inline constexpr std::uintmax_t kAnyScriptSize = UINTMAX_MAX;

// The file's bytes; nothing, with error set to a short reason, when it cannot
// be read, is a folder, is larger than maxBytes, or holds a NUL byte.
std::optional<std::string> readScript(const std::string& path, std::string& error,
                                      std::uintmax_t maxBytes = kAnyScriptSize);

// The line (from 1) holding byte `offset` of text.
std::size_t lineOfOffset(const std::string& text, std::size_t offset);

}  // namespace quarn
