#include "frontend/SourceLocation.h"

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

}  // namespace quarn
