// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/UnicodeText.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/utf8.h>

namespace quarn {
namespace {

// ICU's string pieces are indexed by int32_t; longer texts are left as they are.
constexpr std::size_t kMaxNormalizedBytes = std::numeric_limits<std::int32_t>::max();

const unsigned char* bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// Offset of the first byte from `from` on that is not ASCII, or text.size();
// eight bytes at a time, as scripts are mostly ASCII.
std::size_t asciiRunEnd(std::string_view text, std::size_t from) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::size_t i = from;
  for (std::uint64_t word = 0; i + sizeof word <= text.size(); i += sizeof word) {
    std::memcpy(&word, text.data() + i, sizeof word);
    if (word & kHighBits) break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

// Offset of the first ill-formed sequence, or text.size() when there is none.
std::size_t firstIllFormed(std::string_view text) {
  const unsigned char* s = bytes(text);
  const std::int64_t length = static_cast<std::int64_t>(text.size());
  std::int64_t i = 0;
  while (i < length) {
    if (s[i] < 0x80) {
      i = static_cast<std::int64_t>(asciiRunEnd(text, static_cast<std::size_t>(i)));
      continue;
    }
    const std::int64_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return static_cast<std::size_t>(start);
  }
  return text.size();
}

}  // namespace

bool isAscii(std::string_view text) { return asciiRunEnd(text, 0) == text.size(); }

bool isValidUtf8(std::string_view text) { return firstIllFormed(text) == text.size(); }

std::string toValidUtf8(std::string_view text) {
  const std::size_t bad = firstIllFormed(text);
  if (bad == text.size()) return std::string(text);
  std::string out(text.substr(0, bad));
  const unsigned char* s = bytes(text);
  const std::int64_t length = static_cast<std::int64_t>(text.size());
  std::int64_t i = static_cast<std::int64_t>(bad);
  while (i < length) {
    const std::int64_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(text.data() + start, static_cast<std::size_t>(i - start));
    }
  }
  return out;
}

std::string toNfc(std::string_view text) {
  if (isAscii(text) || text.size() > kMaxNormalizedBytes) return std::string(text);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::string(text);
  std::string out;
  icu::StringByteSink<std::string> sink(&out, static_cast<int32_t>(text.size()));
  nfc->normalizeUTF8(0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink,
                     nullptr, status);
  if (U_FAILURE(status)) return std::string(text);
  return out;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (isAscii(a) && isAscii(b)) return false;
  return toNfc(a) == toNfc(b);
}

}  // namespace quarn
