// SPDX-License-Identifier: GPL-3.0-or-later
// The ASCII fast path gives ICU's segmentation and tokens on texts mixing ASCII with what joins it.
#include <random>

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include "FrontendTestSupport.h"
#include "frontend/LexerInternal.h"
#include "frontend/UnicodeText.h"

namespace quarn::testing {
namespace {

const std::vector<std::string> kPieces = {
    "a", "Z", "x1", "_", "0", "7", ".", " ", "\t", "\r", "\n", "\r\n", "/", "*", "//", "/*",
    "*/", "\"", "=", "!", "<", ">", "&", "|", "[", "]", ";", ":", "-", "#", "if", "true",
    "\u0301", "\u200D", "\u0600", "\u0903",  // Extend, ZWJ, Prepend, SpacingMark
    "\u0915\u094D", "\u00E9", "\u03B1", "\u0663", "\u00BD", "\u216B",
    "\U0001F600", "\U0001F468\u200D\U0001F469", "\U0001F1E9", "\U0001F1EA",
    "\u1100", "\u1161", "\uAC00",  // Hangul L, V, LV
    "\u00A0", "\u0085", "\u2028", "\u200B", "\xFF", "\xC3", "\xE2\x82", std::string(1, '\0'),
};

std::string randomText(std::mt19937& random, int maxPieces = 24) {
  std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
  std::string text;
  for (int n = std::uniform_int_distribution<int>(0, maxPieces)(random); n > 0; --n) text += kPieces[pick(random)];
  return text;
}

std::vector<std::size_t> characterEnds(std::string_view text, bool fastPath) {
  CharacterSegmenter segmenter(fastPath);
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at < text.size(); at = ends.back()) ends.push_back(segmenter.characterEnd(text, at));
  return ends;
}

// ICU's boundaries over the whole text at once, without zones or pieces.
std::vector<std::size_t> wholeTextEnds(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  UBreakIterator* breaker = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
  UText utext = UTEXT_INITIALIZER;
  utext_openUTF8(&utext, text.data(), static_cast<std::int64_t>(text.size()), &status);
  ubrk_setUText(breaker, &utext, &status);
  std::vector<std::size_t> ends;
  ubrk_first(breaker);
  for (int32_t b = ubrk_next(breaker); b != UBRK_DONE; b = ubrk_next(breaker)) ends.push_back(b);
  utext_close(&utext);
  ubrk_close(breaker);
  EXPECT_TRUE(U_SUCCESS(status));
  return ends;
}

// Both segmenters give ICU's boundaries, and both token paths the same tokens.
void expectSameAsIcu(const std::string& raw) {
  const std::string text = toValidUtf8(raw);
  const std::vector<std::size_t> expected = wholeTextEnds(text);
  EXPECT_EQ(characterEnds(text, true), expected) << "text: " << text;
  EXPECT_EQ(characterEnds(text, false), expected) << "text: " << text;
  EXPECT_EQ(textForms(tokenize(raw)), textForms(tokenizeWithoutFastPath(raw))) << "text: " << raw;
}

TEST(LexerFastPath, SegmentationAndTokensMatchIcuOnRandomTexts) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 4040 && !HasFailure(); ++i) expectSameAsIcu(randomText(random, i < 4000 ? 24 : 20000));
}

TEST(LexerFastPath, RunsLongerThanTheCharacterLimitAreSegmentedInPiecesLikeWholeText) {
  // regional indicators pair up from the start of the run; Cyrillic with acutes; Hangul L V T; ZWJ emoji
  for (std::string unit : {"\U0001F1E9", "\u0436\u0436\u0301", "\u1100\u1161\u11A8", "\U0001F468\u200D\U0001F469 "}) {
    std::string text = "x";
    for (std::size_t bytes = 0; bytes < 3 * kMaxCharacterBytes; bytes += unit.size()) text += unit;
    expectSameAsIcu(text + "\r\n");
  }
  std::string text = "x = \"";
  for (int i = 0; i < 30000; ++i) text += (i % 7 == 6) ? "\u0301" : "\u0436";
  text += "\" // \u00E9\u00E9\u00E9\r\ny;";
  for (int i = 0; i < 20000; ++i) text += "\u03B1\u0301";
  expectSameAsIcu(text);
  EXPECT_EQ(tokenize(text).size(), 7u);
}

}  // namespace
}  // namespace quarn::testing
