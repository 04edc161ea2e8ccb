// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every fixed parse-error text, in one place, so the parser and its tests agree.
// Plain constants and pure functions: callable from any thread.

#include <string>
#include <string_view>

#include "frontend/Parser.h"
#include "frontend/Token.h"

namespace quarn::parse_errors {

// Statements and blocks.
inline constexpr std::string_view kSemicolonMissingPrefix =
    "Parsing error: semicolon is missing at the end of the sentence. (current token: ";
inline constexpr std::string_view kBlockNotClosed = "Parsing error: '}' closing block is missing.";
inline constexpr std::string_view kIfOpenParen = "Parsing error: if after that '(' is required.";
inline constexpr std::string_view kIfCloseParen = "Parsing error: ')' is required after the conditional.";
inline constexpr std::string_view kWhileOpenParen = "Parsing error: '(' is required after while.";
inline constexpr std::string_view kWhileCloseParen =
    "Parsing error: ')' is required after a conditional statement.";
inline constexpr std::string_view kVariableType = "Parsing error: Variable data type is required.";
inline constexpr std::string_view kVariableName = "Parsing error: Variable name is required.";
inline constexpr std::string_view kVariableAssign =
    "Parsing error: '=' sign is required when declaring a variable.";
inline constexpr std::string_view kMethodOpenParen =
    "Parsing error: '(' is required when declaring a method.";
inline constexpr std::string_view kMethodVoid =
    "Parsing error: Currently, only void return types are supported.";
inline constexpr std::string_view kMethodCloseParen = "Parsing error: ')' is required.";
inline constexpr std::string_view kMethodName = "Parsing error: Function name is required.";

// Expressions, arrays and message sends.
inline constexpr std::string_view kUnexpectedTokenPrefix =
    "Parsing error: Unexpected token found during syntax analysis - ";
inline constexpr std::string_view kArrayStart = "Parsing error: Array must start with @[.";
inline constexpr std::string_view kArrayClose = "Parsing error: Array closed to ] is not allowed.";
inline constexpr std::string_view kReceiverName =
    "Parsing error: The object name is required when calling the method.";
inline constexpr std::string_view kSelectorName = "Parsing error: The method name is required.";
inline constexpr std::string_view kSendClose =
    "Parsing error: ']' is missing at the end of the method call.";

// "... (current token: semicolon)"
inline std::string semicolonMissing(const Token& current) {
  return std::string(kSemicolonMissingPrefix) + toString(current) + ")";
}

// "... syntax analysis - openParen"
inline std::string unexpectedToken(const Token& current) {
  return std::string(kUnexpectedTokenPrefix) + toString(current);
}

// A tree deeper than kMaxSyntaxDepth levels below the program.
inline std::string nestedTooDeeply() {
  return "Parsing error: The script is nested too deeply (more than " +
         std::to_string(kMaxSyntaxDepth) + " levels).";
}

}  // namespace quarn::parse_errors
