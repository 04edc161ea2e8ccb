// The ASCII fast path must give exactly what ICU alone gives, for segmentation
// and for tokens, on texts that mix ASCII with everything that joins it.
#include <random>

#include <gtest/gtest.h>

#include "LexerTestSupport.h"
#include "frontend/LexerInternal.h"
#include "frontend/UnicodeCharacters.h"
#include "frontend/UnicodeText.h"

namespace quarn::testing {
namespace {

const std::vector<std::string> kPieces = {
    "a", "Z", "x1", "_", "0", "7", ".", " ", "\t", "\r", "\n", "\r\n", "/", "*", "//", "/*",
    "*/", "\"", "=", "!", "<", ">", "&", "|", "[", "]", ";", ":", "-", "#", "if", "true",
    "\u0301",              // combining acute (Extend)
    "\u200D",              // ZWJ
    "\u0600",              // ARABIC NUMBER SIGN (Prepend)
    "\u0903",              // DEVANAGARI SIGN VISARGA (SpacingMark)
    "\u0915\u094D",        // Devanagari KA + virama
    "\u00E9", "\u03B1", "\u0663", "\u00BD", "\u216B",
    "\U0001F600", "\U0001F468\u200D\U0001F469", "\U0001F1E9", "\U0001F1EA",
    "\u1100", "\u1161", "\uAC00",  // Hangul L, V, LV
    "\u00A0", "\u0085", "\u2028", "\u200B",
    "\xFF", "\xC3", "\xE2\x82", std::string(1, '\0'),
};

std::string randomText(std::mt19937& random, int maxPieces) {
  std::uniform_int_distribution<int> count(0, maxPieces);
  std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
  std::string text;
  for (int n = count(random); n > 0; --n) text += kPieces[pick(random)];
  return text;
}

std::vector<std::size_t> characterEnds(std::string_view text, bool fastPath) {
  CharacterSegmenter segmenter(fastPath);
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at < text.size(); at = ends.back()) {
    ends.push_back(segmenter.characterEnd(text, at));
  }
  return ends;
}

TEST(LexerFastPath, SegmentationMatchesIcuOnRandomTexts) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 4000; ++i) {
    const std::string text = toValidUtf8(randomText(random, 24));
    ASSERT_EQ(characterEnds(text, true), characterEnds(text, false)) << "text: " << text;
  }
}

TEST(LexerFastPath, TokensMatchIcuOnRandomTexts) {
  std::mt19937 random(7);
  for (int i = 0; i < 4000; ++i) {
    const std::string text = randomText(random, 24);
    ASSERT_EQ(textForms(tokenize(text)), textForms(tokenizeWithoutFastPath(text)))
        << "text: " << text;
  }
}

TEST(LexerFastPath, LongNonAsciiRunsMatchIcu) {
  // Runs far longer than the character limit are segmented in pieces.
  std::string text = "x = \"";
  for (int i = 0; i < 30000; ++i) text += (i % 7 == 6) ? "\u0301" : "\u0436";
  text += "\" // \u00E9\u00E9\u00E9\r\ny;";
  for (int i = 0; i < 20000; ++i) text += "\u03B1\u0301";
  const std::vector<Token> tokens = tokenize(text);
  EXPECT_EQ(textForms(tokens), textForms(tokenizeWithoutFastPath(text)));
  EXPECT_EQ(tokens.size(), 7u);
}

}  // namespace
}  // namespace quarn::testing
