// SPDX-License-Identifier: GPL-3.0-or-later
// The statement half of the parser: the program, statements and blocks, the
// cursor, and the depth guard that keeps every tree within kMaxSyntaxDepth.

#include "frontend/Parser.h"

#include <utility>

#include "frontend/Keywords.h"
#include "frontend/ParseErrors.h"

namespace quarn {

namespace {

// Carries a failure from the point of detection to parse(); never leaves it.
struct ParseFailure {
  std::string message;
};

bool isDeclarationKeyword(const Token& token) { return token.isKeyword("const") || isTypeKeyword(token); }

}  // namespace

Parser::Parser(std::string_view source, ParseOutput output)
    : lexer_(source), buildsTree_(output == ParseOutput::tree) {
  lexer_.next(lookahead_[current_]);
}

const Token& Parser::tokenAfterCurrent() {
  Token& following = lookahead_[current_ ^ 1];
  if (!hasFollowing_) {
    lexer_.next(following);
    hasFollowing_ = true;
  }
  return following;
}

void Parser::stepOver() {
  lastEnd_ = currentToken().offset + currentToken().length;
  if (hasFollowing_) {
    current_ ^= 1;
    hasFollowing_ = false;
  } else {
    lexer_.next(lookahead_[current_]);
  }
}

std::string Parser::takeText() {
  std::string text = std::move(lookahead_[current_].text);
  stepOver();
  return text;
}

SlotId Parser::slotOf(const std::string& name) {
  if (!buildsTree_) return kUnresolvedSlot;
  const auto [entry, added] = slots_.try_emplace(name, static_cast<SlotId>(names_.size()));
  if (added) names_.push_back(name);
  return entry->second;
}

void Parser::fail(std::string message) const { throw ParseFailure{std::move(message)}; }

void Parser::enterLevel() {
  if (depth_ >= kMaxSyntaxDepth) fail(parse_errors::nestedTooDeeply());
  ++depth_;
}

void Parser::checkHeight(int height) const {
  if (depth_ + height - 1 > kMaxSyntaxDepth) fail(parse_errors::nestedTooDeeply());
}

// program -> { statement } eof
ParseResult Parser::parse() {
  ProgramNode program;
  depth_ = 1;
  try {
    while (!currentToken().is(TokenKind::eof)) keep(program.statements, parseStatement());
  } catch (ParseFailure& failure) {
    const Token& at = currentToken();
    return ParseResult{std::nullopt, std::move(failure.message), SourceLocation{at.offset, at.length, 0, 0}};
  }
  program.names = std::make_shared<const SlotNames>(std::move(names_));
  return ParseResult{std::move(program), {}, {}};
}

// statement -> ifStatement | whileStatement | asyncStatement | declaration ';'
//            | methodDeclaration | block | assignment ';' | expression ';'
NodePtr Parser::parseStatement() {
  const Token& token = currentToken();
  const SourceOffset start = token.offset;
  if (token.is(TokenKind::keyword)) {
    if (token.text == "if") return makeTreeNode(parseIfStatement(), start);
    if (token.text == "while") return makeTreeNode(parseWhileStatement(), start);
    if (token.text == "async") return makeTreeNode(parseAsyncStatement(), start);
    if (isDeclarationKeyword(token)) {
      NodePtr declaration = makeTreeNode(parseVariableDeclaration(), start);
      expectSemicolon();
      return declaration;
    }
    // else, void and the rest start no statement: the expression reader rejects them
  }
  if (token.is(TokenKind::minus)) return makeTreeNode(parseMethodDeclaration(), start);
  if (token.is(TokenKind::openBrace)) return makeTreeNode(parseBlock(), start);
  if (token.is(TokenKind::identifier) && tokenAfterCurrent().is(TokenKind::assign)) {
    NodePtr assignment = makeTreeNode(parseAssignment(), start);
    expectSemicolon();
    return assignment;
  }
  // expressionStatement -> expression ';' (the expression's own node is the statement)
  NodePtr expression = parseExpression(0).node;
  expectSemicolon();
  return expression;
}

// the closing ';' of a declaration, an assignment or an expression statement
void Parser::expectSemicolon() {
  if (!currentToken().is(TokenKind::semicolon)) fail(parse_errors::semicolonMissing(currentToken()));
  stepOver();
}

// block -> '{' { statement } '}'
// The opening token is stepped over unread: after if (...), else, async or a
// method name, whatever stands there serves as the '{'.
BlockNode Parser::parseBlock() {
  stepOver();
  BlockNode block;
  for (;;) {
    const Token& token = currentToken();
    if (token.is(TokenKind::closeBrace)) {
      stepOver();
      return block;
    }
    if (token.is(TokenKind::eof)) fail(std::string(parse_errors::kBlockNotClosed));
    DepthGuard inner(*this);
    keep(block.statements, parseStatement());
  }
}

// ifStatement -> 'if' condition block [ 'else' block ]
IfNode Parser::parseIfStatement() {
  IfNode node;
  node.condition = parseCondition(parse_errors::kIfOpenParen, parse_errors::kIfCloseParen);
  node.thenBranch = parseBlock();
  if (currentToken().isKeyword("else")) {
    stepOver();
    node.elseBranch = parseBlock();
  }
  return node;
}

// whileStatement -> 'while' condition block
WhileNode Parser::parseWhileStatement() {
  WhileNode node;
  node.condition = parseCondition(parse_errors::kWhileOpenParen, parse_errors::kWhileCloseParen);
  node.body = parseBlock();
  return node;
}

// condition -> '(' expression ')', read after stepping over 'if' or 'while'
NodePtr Parser::parseCondition(std::string_view openMissing, std::string_view closeMissing) {
  stepOver();
  if (!currentToken().is(TokenKind::openParen)) fail(std::string(openMissing));
  stepOver();
  NodePtr condition = parseChildExpression().node;
  if (!currentToken().is(TokenKind::closeParen)) fail(std::string(closeMissing));
  stepOver();
  return condition;
}

// asyncStatement -> 'async' block
AsyncNode Parser::parseAsyncStatement() {
  stepOver();
  return AsyncNode{parseBlock()};
}

// declaration -> [ 'const' ] keyword identifier '=' expression
// Any keyword serves as the type once the statement has been recognised.
VariableDeclarationNode Parser::parseVariableDeclaration() {
  VariableDeclarationNode node;
  if (currentToken().isKeyword("const")) {
    stepOver();
    node.isConst = true;
  }
  if (!currentToken().is(TokenKind::keyword)) fail(std::string(parse_errors::kVariableType));
  node.valueType = takeText();
  if (!currentToken().is(TokenKind::identifier)) fail(std::string(parse_errors::kVariableName));
  node.name = takeText();
  node.slot = slotOf(node.name);
  if (!currentToken().is(TokenKind::assign)) fail(std::string(parse_errors::kVariableAssign));
  stepOver();
  node.value = parseChildExpression().node;
  return node;
}

// methodDeclaration -> '-' '(' 'void' ')' identifier block
FunctionDeclNode Parser::parseMethodDeclaration() {
  stepOver();
  if (!currentToken().is(TokenKind::openParen)) fail(std::string(parse_errors::kMethodOpenParen));
  stepOver();
  if (!currentToken().isKeyword("void")) fail(std::string(parse_errors::kMethodVoid));
  stepOver();
  if (!currentToken().is(TokenKind::closeParen)) fail(std::string(parse_errors::kMethodCloseParen));
  stepOver();
  if (!currentToken().is(TokenKind::identifier)) fail(std::string(parse_errors::kMethodName));
  FunctionDeclNode node;
  node.name = takeText();
  node.body = parseBlock();
  return node;
}

// assignment -> identifier '=' expression
AssignmentNode Parser::parseAssignment() {
  AssignmentNode node;
  node.nameSpan = currentSpan();
  node.name = takeText();
  node.slot = slotOf(node.name);
  stepOver();  // '='
  node.value = parseChildExpression().node;
  return node;
}

}  // namespace quarn
