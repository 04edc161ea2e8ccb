// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/SourceLocation.h"

#include <algorithm>

#include "frontend/UnicodeCharacters.h"

namespace quarn {

SourceLocation locate(std::string_view text, std::uint32_t offset, std::uint32_t length) {
  const std::size_t at = offset < text.size() ? offset : text.size();
  const std::size_t lineStart = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
  const std::size_t from = lineStart == std::string_view::npos ? 0 : lineStart + 1;
  SourceLocation location{static_cast<std::uint32_t>(at), length, 1, 1};
  for (std::size_t i = 0; i < from; ++i) {
    if (text[i] == '\n') ++location.line;
  }
  CharacterSegmenter segmenter;
  for (std::size_t i = from; i < at; i = segmenter.characterEnd(text, i)) ++location.column;
  return location;
}

SourceLines::SourceLines(std::string text) : text_(std::move(text)) {
  lineStarts_.push_back(0);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (text_[i] == '\n') lineStarts_.push_back(static_cast<std::uint32_t>(i + 1));
  }
}

SourceLocation SourceLines::locate(std::uint32_t offset, std::uint32_t length) const {
  const std::uint32_t at = std::min<std::size_t>(offset, text_.size());
  const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), at);
  const std::uint32_t lineStart = *(next - 1);
  SourceLocation location{at, length, static_cast<std::uint32_t>(next - lineStarts_.begin()), 1};
  CharacterSegmenter segmenter;
  for (std::size_t i = lineStart; i < at; i = segmenter.characterEnd(text_, i)) ++location.column;
  return location;
}

}  // namespace quarn
