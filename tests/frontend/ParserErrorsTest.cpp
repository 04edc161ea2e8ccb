// The parse-error texts are part of what users see: pin each one to the letter,
// so a slip in the shared constants cannot pass unnoticed through the tests
// that compare against those same constants.

#include <gtest/gtest.h>

#include "frontend/ParseErrors.h"

namespace quarn {
namespace {

TEST(ParserErrors, FixedTextsReadExactly) {
  namespace e = parse_errors;
  const std::pair<std::string_view, const char*> texts[] = {
      {e::kBlockNotClosed, "Parsing error: '}' closing block is missing."},
      {e::kIfOpenParen, "Parsing error: if after that '(' is required."},
      {e::kIfCloseParen, "Parsing error: ')' is required after the conditional."},
      {e::kWhileOpenParen, "Parsing error: '(' is required after while."},
      {e::kWhileCloseParen, "Parsing error: ')' is required after a conditional statement."},
      {e::kVariableType, "Parsing error: Variable data type is required."},
      {e::kVariableName, "Parsing error: Variable name is required."},
      {e::kVariableAssign, "Parsing error: '=' sign is required when declaring a variable."},
      {e::kMethodOpenParen, "Parsing error: '(' is required when declaring a method."},
      {e::kMethodVoid, "Parsing error: Currently, only void return types are supported."},
      {e::kMethodCloseParen, "Parsing error: ')' is required."},
      {e::kMethodName, "Parsing error: Function name is required."},
      {e::kArrayStart, "Parsing error: Array must start with @[."},
      {e::kArrayClose, "Parsing error: Array closed to ] is not allowed."},
      {e::kReceiverName, "Parsing error: The object name is required when calling the method."},
      {e::kSelectorName, "Parsing error: The method name is required."},
      {e::kSendClose, "Parsing error: ']' is missing at the end of the method call."},
  };
  for (const auto& [constant, text] : texts) EXPECT_EQ(constant, text);
}

TEST(ParserErrors, TextsQuotingATokenUseItsTextForm) {
  EXPECT_EQ(parse_errors::unexpectedToken(Token::keyword("else")),
            "Parsing error: Unexpected token found during syntax analysis - keyword(\"else\")");
  EXPECT_EQ(parse_errors::unexpectedToken(Token::make(TokenKind::eof)),
            "Parsing error: Unexpected token found during syntax analysis - eof");
  EXPECT_EQ(parse_errors::semicolonMissing(Token::floatNumber(110.0f)),
            "Parsing error: semicolon is missing at the end of the sentence. (current token: floatNumber(110.0))");
  EXPECT_EQ(parse_errors::nestedTooDeeply(),
            "Parsing error: The script is nested too deeply (more than 1000 levels).");
}

}  // namespace
}  // namespace quarn
