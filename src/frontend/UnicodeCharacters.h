// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Characters of a script text: the extended grapheme clusters of valid UTF-8,
// and their classes, which come from a character's first code point.
// codePointClasses and characterClasses may be called from any thread; a
// CharacterSegmenter belongs to one lexer and so to one thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct UBreakIterator;

namespace quarn {

// Bit set of the classes a character belongs to.
enum CharacterClass : std::uint8_t {
  kWhitespaceClass = 1,  // White_Space
  kLetterClass = 2,      // Alphabetic
  kNumberClass = 4,      // Numeric_Type Decimal, Digit or Numeric
};

// Classes of one code point, straight from ICU's property data.
std::uint8_t codePointClasses(char32_t codePoint);

// Classes of the character that starts at byte `at` of valid UTF-8 text.
std::uint8_t characterClasses(std::string_view text, std::size_t at);

// True when the ASCII byte at `at` of valid UTF-8 text is a character by
// itself: the code point before it is not a Prepend and the one after it is
// not an Extend, ZWJ or SpacingMark, which are the only grapheme cluster
// rules that join an ASCII character other than CR or LF to a neighbour.
bool isLoneAsciiCharacter(std::string_view text, std::size_t at);

// codePointClasses of the 128 ASCII code points, filled once from ICU.
const std::uint8_t* asciiClassTable();

// A single-character cluster longer than this is cut here into several
// characters; ICU's break iterator counts in int32_t, and stream-safe text
// keeps a run of combining marks to 30, far below this.
inline constexpr std::size_t kMaxCharacterBytes = 64 * 1024;

// Finds character boundaries walking forward through one text. With the ASCII
// fast path, two ASCII bytes in a row are split without ICU (CR LF being one
// character), and so is a code point no rule joins to the next; everything
// else is segmented by ICU in zones that take in the ASCII byte on either
// side, so that combining marks and ZWJ join the byte before them and Prepend
// characters the byte after them. Without the fast
// path ICU segments all of the text: the reference the fast path must match.
class CharacterSegmenter {
public:
  explicit CharacterSegmenter(bool asciiFastPath = true);

  // End byte of the character starting at byte `at`, which must be a character
  // boundary below text.size(). Every call passes the same text.
  std::size_t characterEnd(std::string_view text, std::size_t at) {
    if (at >= zoneBegin_ && at < zoneEnd_) return zoneCharacterEnd(at);
    if (asciiFastPath_) {
      const auto c = static_cast<unsigned char>(text[at]);
      if (c < 0x80) {
        if (at + 1 == text.size()) return at + 1;
        const auto d = static_cast<unsigned char>(text[at + 1]);
        if (d < 0x80) return (c == '\r' && d == '\n') ? at + 2 : at + 1;
      }
      if (const std::size_t end = loneCodePointEnd(text, at)) return end;
    }
    return segmentZone(text, at);
  }

private:
  struct BreakIteratorCloser {
    void operator()(UBreakIterator* iterator) const;
  };

  // The end of the first code point at `at` when no rule can join it to the
  // next one, else 0.
  static std::size_t loneCodePointEnd(std::string_view text, std::size_t at);
  std::size_t zoneCharacterEnd(std::size_t at);
  std::size_t segmentZone(std::string_view text, std::size_t at);
  std::size_t zoneLimit(std::string_view text, std::size_t at) const;
  void segmentRange(std::string_view text, std::size_t begin, std::size_t end);

  bool asciiFastPath_;
  std::unique_ptr<UBreakIterator, BreakIteratorCloser> breaker_;
  // Boundaries of the current zone [zoneBegin_, zoneEnd_], both ends included.
  std::vector<std::size_t> zoneBounds_;
  std::size_t zoneCursor_ = 0;
  std::size_t zoneBegin_ = 0;
  std::size_t zoneEnd_ = 0;
};

}  // namespace quarn
