// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/UnicodeCharacters.h"

#include <algorithm>
#include <array>
#include <atomic>

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace quarn {
namespace {

bool isAsciiByte(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]) < 0x80;
}

bool isContinuationByte(std::string_view text, std::size_t at) {
  return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

int breakClass(UChar32 c) { return u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK); }

// Beside a code point's classes (the low bits): what its break class tells
// the segmenter, and that the entry has been looked up.
constexpr std::uint8_t kBreaksAsOther = 0x10;
constexpr std::uint8_t kJoinsPrevious = 0x20;  // Extend, ZWJ or SpacingMark
constexpr std::uint8_t kLookedUp = 0x80;
constexpr std::uint8_t kClassBits = kWhitespaceClass | kLetterClass | kNumberClass;

std::uint8_t lookUp(UChar32 c) {
  std::uint8_t info = kLookedUp | codePointClasses(static_cast<char32_t>(c));
  const int kind = breakClass(c);
  if (kind == U_GCB_OTHER) info |= kBreaksAsOther;
  if (kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK) info |= kJoinsPrevious;
  return info;
}

// ICU's property look-ups cost more than the rest of lexing a character, so
// those of the Basic Multilingual Plane are kept once made. Any thread may fill
// an entry: all write the same value.
std::array<std::atomic<std::uint8_t>, 0x10000> bmpInfo;

std::uint8_t codePointInfo(UChar32 c) {
  if (c < 0 || c >= static_cast<UChar32>(bmpInfo.size())) return lookUp(c);
  std::atomic<std::uint8_t>& entry = bmpInfo[static_cast<std::size_t>(c)];
  std::uint8_t info = entry.load(std::memory_order_relaxed);
  if (info == 0) {
    info = lookUp(c);
    entry.store(info, std::memory_order_relaxed);
  }
  return info;
}

}  // namespace

std::uint8_t codePointClasses(char32_t codePoint) {
  const auto c = static_cast<UChar32>(codePoint);
  std::uint8_t classes = 0;
  if (u_hasBinaryProperty(c, UCHAR_WHITE_SPACE)) classes |= kWhitespaceClass;
  if (u_hasBinaryProperty(c, UCHAR_ALPHABETIC)) classes |= kLetterClass;
  if (u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE) classes |= kNumberClass;
  return classes;
}

const std::uint8_t* asciiClassTable() {
  static const std::array<std::uint8_t, 128> table = [] {
    std::array<std::uint8_t, 128> filled{};
    for (char32_t c = 0; c < 128; ++c) filled[c] = codePointClasses(c);
    return filled;
  }();
  return table.data();
}

std::uint8_t characterClasses(std::string_view text, std::size_t at) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::int64_t i = static_cast<std::int64_t>(at);
  UChar32 c;
  U8_NEXT(s, i, static_cast<std::int64_t>(text.size()), c);
  return c < 0 ? 0 : codePointInfo(c) & kClassBits;
}

bool isLoneAsciiCharacter(std::string_view text, std::size_t at) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int64_t>(text.size());
  if (at > 0 && !isAsciiByte(text, at - 1)) {
    // ICU steps back with 32-bit offsets: within the last four bytes, which hold the whole code point
    const std::size_t window = at >= 4 ? at - 4 : 0;
    std::int32_t i = static_cast<std::int32_t>(at - window);
    UChar32 before;
    U8_PREV(s + window, 0, i, before);
    if (breakClass(before) == U_GCB_PREPEND) return false;
  }
  if (at + 1 < text.size() && !isAsciiByte(text, at + 1)) {
    std::int64_t i = static_cast<std::int64_t>(at + 1);
    UChar32 after;
    U8_NEXT(s, i, length, after);
    const int kind = breakClass(after);
    if (kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK) return false;
  }
  return true;
}

void CharacterSegmenter::BreakIteratorCloser::operator()(UBreakIterator* iterator) const {
  ubrk_close(iterator);
}

CharacterSegmenter::CharacterSegmenter(bool asciiFastPath) : asciiFastPath_(asciiFastPath) {}

// Decided without ICU's iterator when the first code point is ASCII or of break
// class Other and the next one is no Extend, ZWJ or SpacingMark: every other
// rule that joins two code points needs a CR, Prepend, ZWJ, Hangul jamo,
// regional indicator or Extend first. This covers most letters of most scripts.
std::size_t CharacterSegmenter::loneCodePointEnd(std::string_view text, std::size_t at) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int64_t>(text.size());
  std::int64_t next = static_cast<std::int64_t>(at);
  UChar32 first;
  U8_NEXT(s, next, length, first);
  if (first == '\r' || (first >= 0x80 && !(codePointInfo(first) & kBreaksAsOther))) return 0;
  if (next == length) return static_cast<std::size_t>(next);
  std::int64_t after = next;
  UChar32 second;
  U8_NEXT(s, after, length, second);
  return (codePointInfo(second) & kJoinsPrevious) ? 0 : static_cast<std::size_t>(next);
}

std::size_t CharacterSegmenter::zoneCharacterEnd(std::size_t at) {
  if (zoneBounds_[zoneCursor_] > at) {
    zoneCursor_ = static_cast<std::size_t>(
        std::upper_bound(zoneBounds_.begin(), zoneBounds_.end(), at) - zoneBounds_.begin());
  }
  while (zoneBounds_[zoneCursor_] <= at) ++zoneCursor_;
  return zoneBounds_[zoneCursor_];
}

// Where a zone starting at `at` may end: after the non-ASCII run and one ASCII
// byte (two for CR LF), so that the boundary at the end is certain without ICU.
// The scan stops past kMaxCharacterBytes, where segmentZone cuts the zone
// anyway, so that a long run costs linear time, not a rescan per piece.
std::size_t CharacterSegmenter::zoneLimit(std::string_view text, std::size_t at) const {
  const std::size_t n = text.size();
  if (!asciiFastPath_) return n;
  const std::size_t far = n - at > kMaxCharacterBytes + 1 ? at + kMaxCharacterBytes + 1 : n;
  std::size_t i = isAsciiByte(text, at) ? at + 1 : at;
  for (;;) {
    while (i < far && !isAsciiByte(text, i)) ++i;
    if (i >= far) return far;
    if (i + 1 >= n) return n;
    if (!isAsciiByte(text, i + 1)) {
      ++i;  // a single ASCII byte between two runs: one zone holds both
      continue;
    }
    return (text[i] == '\r' && text[i + 1] == '\n') ? i + 2 : i + 1;
  }
}

// ICU boundaries of text[begin, end) into zoneBounds_, both ends included.
void CharacterSegmenter::segmentRange(std::string_view text, std::size_t begin, std::size_t end) {
  zoneBounds_.clear();
  UErrorCode status = U_ZERO_ERROR;
  if (!breaker_) breaker_.reset(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
  UText utext = UTEXT_INITIALIZER;
  utext_openUTF8(&utext, text.data() + begin, static_cast<std::int64_t>(end - begin), &status);
  if (breaker_) ubrk_setUText(breaker_.get(), &utext, &status);
  if (U_SUCCESS(status)) {
    for (int32_t b = ubrk_first(breaker_.get()); b != UBRK_DONE; b = ubrk_next(breaker_.get())) {
      zoneBounds_.push_back(begin + static_cast<std::size_t>(b));
    }
  }
  utext_close(&utext);
  if (zoneBounds_.size() < 2) zoneBounds_ = {begin, end};  // ICU unavailable: one character
}

std::size_t CharacterSegmenter::segmentZone(std::string_view text, std::size_t at) {
  std::size_t end = zoneLimit(text, at);
  const bool cut = end - at > kMaxCharacterBytes;
  if (cut) {
    end = at + kMaxCharacterBytes;
    while (isContinuationByte(text, end)) --end;
  }
  segmentRange(text, at, end);
  // A boundary at a cut is an artefact; the last one inside the piece is real
  // (cluster rules look back, never ahead), so the next zone starts there.
  if (cut && zoneBounds_.size() > 2) zoneBounds_.pop_back();
  zoneBegin_ = at;
  zoneEnd_ = zoneBounds_.back();
  zoneCursor_ = 0;
  return zoneCharacterEnd(at);
}

}  // namespace quarn
