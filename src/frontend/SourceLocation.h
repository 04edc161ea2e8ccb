// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a token stands in a script text, for pointing at it in an editor or a
// message. Stateless; called from any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

struct SourceLocation {
  std::uint32_t offset = 0;  // byte offset in the script text as valid UTF-8
  std::uint32_t length = 0;  // bytes the token covers (0 for eof)
  std::uint32_t line = 1;    // 1-based
  std::uint32_t column = 1;  // 1-based, in characters (as the lexer counts them)
};

// The line and column of the byte range [offset, offset + length) of text,
// which must be valid UTF-8 (offsets past its end are clamped to it).
SourceLocation locate(std::string_view text, std::uint32_t offset, std::uint32_t length);

// A text with its line starts found once, so that many offsets (the lines a
// run prints) are placed without scanning the text from its start each time.
class SourceLines {
public:
  explicit SourceLines(std::string text);

  SourceLocation locate(std::uint32_t offset, std::uint32_t length = 0) const;
  const std::string& text() const { return text_; }

private:
  std::string text_;
  std::vector<std::uint32_t> lineStarts_;  // byte offset of each line's first byte
};

}  // namespace quarn
