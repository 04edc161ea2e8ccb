// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tokens, and syntax trees as S-expressions: "(+ 1 (* 2 3))".
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "frontend/Lexer.h"
#include "frontend/Parser.h"
#include "support/FloatFormat.h"

namespace quarn {

inline void PrintTo(const Token& token, std::ostream* os) { *os << toString(token); }
namespace testing {
inline Token tok(TokenKind kind) { return Token::make(kind); }
inline Token id(std::string text) { return Token::identifier(std::move(text)); }
inline Token str(std::string text) { return Token::stringLiteral(std::move(text)); }
inline Token num(std::int64_t value) { return Token::intNumber(value); }
inline Token flt(float value) { return Token::floatNumber(value); }

inline std::vector<Token> withEof(std::vector<Token> tokens) { tokens.push_back(tok(TokenKind::eof)); return tokens; }
inline std::string textForms(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& token : tokens) out += (out.empty() ? "" : " ") + toString(token);
  return out;
}

inline void expectTokens(const std::vector<std::pair<std::string, std::vector<Token>>>& cases) {
  for (const auto& [text, expected] : cases) EXPECT_EQ(tokenize(text), withEof(expected)) << "text: " << text;
}

inline std::string repeat(std::string_view piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

inline std::string sexp(const NodePtr& node);

inline std::string joined(const NodeList& nodes) {
  std::string text;
  for (const NodePtr& node : nodes) text += (text.empty() ? "" : " ") + sexp(node);
  return text;
}
inline std::string list(std::string head, const NodeList& nodes, const char* close = ")") {
  return head + (nodes.empty() ? "" : " " + joined(nodes)) + close;
}
inline std::string block(const BlockNode& b) { return list("(block", b.statements); }

inline std::string sexp(const NodePtr& node) {
  static const char* const kSymbols[] = {"+", "-", "*", "/", "%", "==", "!=", "<", ">", "<=", ">=", "&&", "||", "!"};
  auto op = [](const Token& t) { return std::string("(") + kSymbols[int(t.kind) - int(TokenKind::plus)] + " "; };
  const Node& n = *node;
  if (auto* p = n.as<BlockNode>()) return block(*p);
  if (auto* p = n.as<FunctionDeclNode>()) return "(method " + p->name + " " + block(p->body) + ")";
  if (auto* p = n.as<AsyncNode>()) return "(async " + block(p->body) + ")";
  if (auto* p = n.as<AssignmentNode>()) return "(= " + p->name + " " + sexp(p->value) + ")";
  if (auto* p = n.as<IfNode>())
    return "(if " + sexp(p->condition) + " " + block(p->thenBranch) + (p->elseBranch ? " " + block(*p->elseBranch) : "")
           + ")";
  if (auto* p = n.as<WhileNode>()) return "(while " + sexp(p->condition) + " " + block(p->body) + ")";
  if (auto* p = n.as<VariableDeclarationNode>())
    return (p->isConst ? "(const " : "(decl ") + p->valueType + " " + p->name + " " + sexp(p->value) + ")";
  if (auto* p = n.as<UnaryOpNode>()) return op(p->operatorToken) + sexp(p->right) + ")";
  if (auto* p = n.as<BinaryOpNode>()) return op(p->operatorToken) + sexp(p->left) + " " + sexp(p->right) + ")";
  if (auto* p = n.as<IdentifierNode>()) return p->name;
  if (auto* p = n.as<IntNode>()) return std::to_string(p->value);
  if (auto* p = n.as<FloatNode>()) return formatFloat(p->value);
  if (auto* p = n.as<StringNode>()) return "\"" + p->value + "\"";
  if (auto* p = n.as<BoolNode>()) return p->value ? "true" : "false";
  if (auto* p = n.as<ArrayNode>()) return list("(@", p->elements);
  if (auto* p = n.as<MethodCallNode>()) return list("[" + p->receiver.name + " " + p->methodName, p->arguments, "]");
  return "<program>";
}

// compile's result, once a check without the tree has given the same verdict.
inline ParseResult compiled(std::string_view source) {
  ParseResult result = parseScript(source);
  const ParseResult checked = checkSyntax(source);
  const auto where = [](const SourceLocation& at) { return std::array{at.offset, at.length, at.line, at.column}; };
  EXPECT_TRUE(checked.error == result.error && where(checked.errorLocation) == where(result.errorLocation))
      << "check: " << checked.error << "\ncompile: " << result.error;
  return result;
}

// The statements printed side by side, or the error message.
inline std::string parsed(std::string_view source) {
  ParseResult result = compiled(source);
  return result.ok() ? joined(result.program->statements) : result.error;
}

}  // namespace testing
}  // namespace quarn
