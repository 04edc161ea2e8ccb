// SPDX-License-Identifier: GPL-3.0-or-later
// The expression half of the parser: precedence climbing, prefix operators,
// primaries, array literals and message sends.

#include <algorithm>
#include <utility>

#include "frontend/ParseErrors.h"
#include "frontend/Parser.h"
#include "frontend/Sends.h"

namespace quarn {

namespace {

// A prefix operator's operand binds tighter than every binary operator.
constexpr int kPrefixOperandPrecedence = 7;

// Binding strength of a token as a binary operator; 0 ends an expression.
int tokenPrecedence(TokenKind kind) {
  switch (kind) {
    case TokenKind::logicalOr: return 1;
    case TokenKind::logicalAnd: return 2;
    case TokenKind::equalEqual:
    case TokenKind::notEqual: return 3;
    case TokenKind::lessThan:
    case TokenKind::greaterThan:
    case TokenKind::lessEqual:
    case TokenKind::greaterEqual: return 4;
    case TokenKind::plus:
    case TokenKind::minus: return 5;
    case TokenKind::star:
    case TokenKind::slash:
    case TokenKind::modulo: return 6;
    default: return 0;
  }
}

}  // namespace

// expression<p> -> prefix { binaryOperator<q> expression<q> }   (only while q > p)
// Every binary operator is left-associative: the loop wraps the left side.
Parser::Expression Parser::parseExpression(int precedence) {
  Expression left = parsePrefix();
  for (;;) {
    const int operatorPrecedence = tokenPrecedence(currentToken().kind);
    if (operatorPrecedence <= precedence) return left;
    // the left side sinks one level with every operator of a long chain
    checkHeight(left.height + 1);
    Token operatorToken = Token::make(currentToken().kind);
    stepOver();
    Expression right;
    {
      DepthGuard inner(*this);
      right = parseExpression(operatorPrecedence);
    }
    const int height = 1 + std::max(left.height, right.height);
    left = Expression{
        makeTreeNode(BinaryOpNode{std::move(left.node), std::move(operatorToken), std::move(right.node)}, left.start),
        height, left.start};
  }
}

// prefix -> ( '-' | '!' ) expression<7> | primary
Parser::Expression Parser::parsePrefix() {
  const TokenKind kind = currentToken().kind;
  if (kind != TokenKind::minus && kind != TokenKind::logicalNot) return parsePrimary();
  const SourceOffset start = currentToken().offset;
  stepOver();
  DepthGuard inner(*this);
  Expression operand = parseExpression(kPrefixOperandPrecedence);
  return Expression{makeTreeNode(UnaryOpNode{Token::make(kind), std::move(operand.node)}, start),
                    operand.height + 1, start};
}

Parser::Expression Parser::parseChildExpression() {
  DepthGuard inner(*this);
  return parseExpression(0);
}

// primary -> identifier | intNumber | floatNumber | stringLiteral | boolean
//          | methodCall | array
Parser::Expression Parser::parsePrimary() {
  const Token& token = currentToken();
  const SourceOffset start = token.offset;
  // a number or boolean literal: its node, then step over its token
  const auto literal = [this, start](auto node) {
    stepOver();
    return Expression{makeTreeNode(std::move(node), start), 1, start};
  };
  switch (token.kind) {
    case TokenKind::identifier: {
      std::string name = takeText();
      const SlotId slot = slotOf(name);
      return Expression{makeTreeNode(IdentifierNode{std::move(name), slot}, start), 1, start};
    }
    case TokenKind::stringLiteral: {
      std::string text = takeText();
      return Expression{makeTreeNode(StringNode{std::move(text)}, start), 1, start};
    }
    case TokenKind::intNumber: return literal(IntNode{token.intValue});
    case TokenKind::floatNumber: return literal(FloatNode{token.floatValue});
    case TokenKind::boolean: return literal(BoolNode{token.boolValue});
    case TokenKind::openBracket: return parseMethodCall();
    case TokenKind::atSign: return parseArray();
    default: fail(parse_errors::unexpectedToken(token));
  }
}

// array -> '@' '[' [ expression { ',' expression } ] ']'
Parser::Expression Parser::parseArray() {
  const SourceOffset start = currentToken().offset;
  stepOver();
  if (!currentToken().is(TokenKind::openBracket)) fail(std::string(parse_errors::kArrayStart));
  stepOver();
  ArrayNode array;
  int height = 1;
  if (!currentToken().is(TokenKind::closeBracket)) {
    for (;;) {
      Expression element = parseChildExpression();
      height = std::max(height, element.height + 1);
      keep(array.elements, std::move(element.node));
      if (!currentToken().is(TokenKind::comma)) break;
      stepOver();
    }
  }
  if (!currentToken().is(TokenKind::closeBracket)) fail(std::string(parse_errors::kArrayClose));
  stepOver();
  return Expression{makeTreeNode(std::move(array), start), height, start};
}

// methodCall -> '[' identifier identifier [ ':' expression ] ']'
// One selector part and at most one argument; the selector keeps its colon.
Parser::Expression Parser::parseMethodCall() {
  const SourceOffset start = currentToken().offset;
  stepOver();
  if (!currentToken().is(TokenKind::identifier)) fail(std::string(parse_errors::kReceiverName));
  MethodCallNode call;
  call.receiverSpan = currentSpan();
  call.receiver.name = takeText();
  if (!currentToken().is(TokenKind::identifier)) fail(std::string(parse_errors::kSelectorName));
  call.selectorSpan = currentSpan();
  call.methodName = takeText();
  int height = 1;
  if (currentToken().is(TokenKind::colon)) {
    call.methodName += ':';
    call.selectorSpan.length = currentToken().offset + currentToken().length - call.selectorSpan.offset;
    stepOver();
    Expression argument = parseChildExpression();
    height = argument.height + 1;
    keep(call.arguments, std::move(argument.node));
  }
  if (!currentToken().is(TokenKind::closeBracket)) fail(std::string(parse_errors::kSendClose));
  stepOver();
  if (buildsTree_) {
    resolveSend(call);
    if (callsMethod(call)) call.functionSlot = slotOf(call.functionName);
  }
  return Expression{makeTreeNode(std::move(call), start), height, start};
}

}  // namespace quarn
