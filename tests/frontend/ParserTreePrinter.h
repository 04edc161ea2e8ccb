#pragma once
// Test helpers: a syntax tree written as S-expressions, so an expected tree
// reads like "(+ 1 (* 2 3))", and shorthands that compile a script text.

#include <string>
#include <string_view>

#include "frontend/Ast.h"
#include "frontend/Parser.h"
#include "support/FloatFormat.h"

namespace quarn::testing {

inline std::string_view operatorSymbol(TokenKind kind) {
  switch (kind) {
    case TokenKind::plus: return "+";
    case TokenKind::minus: return "-";
    case TokenKind::star: return "*";
    case TokenKind::slash: return "/";
    case TokenKind::modulo: return "%";
    case TokenKind::equalEqual: return "==";
    case TokenKind::notEqual: return "!=";
    case TokenKind::lessThan: return "<";
    case TokenKind::greaterThan: return ">";
    case TokenKind::lessEqual: return "<=";
    case TokenKind::greaterEqual: return ">=";
    case TokenKind::logicalAnd: return "&&";
    case TokenKind::logicalOr: return "||";
    case TokenKind::logicalNot: return "!";
    default: return "?";
  }
}

std::string printNode(const NodePtr& node);

inline std::string printList(std::string head, const NodeList& nodes) {
  for (const NodePtr& node : nodes) head += " " + printNode(node);
  return head + ")";
}

inline std::string printBlock(const BlockNode& block) { return printList("(block", block.statements); }

// (program ...) is left out: the statements are joined by spaces.
inline std::string printProgram(const ProgramNode& program) {
  std::string text;
  for (const NodePtr& node : program.statements) text += (text.empty() ? "" : " ") + printNode(node);
  return text;
}

inline std::string printNode(const NodePtr& node) {
  if (!node) return "<null>";
  const Node& n = *node;
  if (auto* p = n.as<ProgramNode>()) return printList("(program", p->statements);
  if (auto* p = n.as<BlockNode>()) return printBlock(*p);
  if (auto* p = n.as<FunctionDeclNode>()) return "(method " + p->name + " " + printBlock(p->body) + ")";
  if (auto* p = n.as<AsyncNode>()) return "(async " + printBlock(p->body) + ")";
  if (auto* p = n.as<AssignmentNode>()) return "(= " + p->name + " " + printNode(p->value) + ")";
  if (auto* p = n.as<IfNode>()) {
    std::string text = "(if " + printNode(p->condition) + " " + printBlock(p->thenBranch);
    if (p->elseBranch) text += " " + printBlock(*p->elseBranch);
    return text + ")";
  }
  if (auto* p = n.as<WhileNode>()) return "(while " + printNode(p->condition) + " " + printBlock(p->body) + ")";
  if (auto* p = n.as<VariableDeclarationNode>()) {
    return std::string(p->isConst ? "(const " : "(decl ") + p->valueType + " " + p->name + " " +
           printNode(p->value) + ")";
  }
  if (auto* p = n.as<UnaryOpNode>()) {
    return "(" + std::string(operatorSymbol(p->operatorToken.kind)) + " " + printNode(p->right) + ")";
  }
  if (auto* p = n.as<BinaryOpNode>()) {
    return "(" + std::string(operatorSymbol(p->operatorToken.kind)) + " " + printNode(p->left) + " " +
           printNode(p->right) + ")";
  }
  if (auto* p = n.as<IdentifierNode>()) return p->name;
  if (auto* p = n.as<IntNode>()) return std::to_string(p->value);
  if (auto* p = n.as<FloatNode>()) return formatFloat(p->value);
  if (auto* p = n.as<StringNode>()) return "\"" + p->value + "\"";
  if (auto* p = n.as<BoolNode>()) return p->value ? "true" : "false";
  if (auto* p = n.as<ArrayNode>()) return printList("(@", p->elements);
  if (auto* p = n.as<MethodCallNode>()) {
    std::string text = "[" + p->receiver.name + " " + p->methodName;
    for (const NodePtr& argument : p->arguments) text += " " + printNode(argument);
    return text + "]";
  }
  return "<unknown>";
}

// The printed program, or "error: <message>".
inline std::string parsed(std::string_view source) {
  ParseResult result = compile(source);
  return result.ok() ? printProgram(*result.program) : "error: " + result.error;
}

// The error message, or "ok: <printed program>".
inline std::string parseError(std::string_view source) {
  ParseResult result = compile(source);
  return result.ok() ? "ok: " + printProgram(*result.program) : result.error;
}

}  // namespace quarn::testing
