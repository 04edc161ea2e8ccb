// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recursive-descent parser from tokens to a ProgramNode. Stops at the first error
// with a message beginning "Parsing error: "; the error travels back as a value.
// It pulls tokens from a lexer as it goes and holds two at a time, so a script's
// tokens are never all in memory at once.
// Used on one thread; a parser is made for one text and used once.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/Ast.h"
#include "frontend/Lexer.h"
#include "frontend/NodeArena.h"
#include "frontend/SourceLocation.h"
#include "frontend/Token.h"

namespace quarn {

// Deepest syntax tree a script may build (nested blocks, prefix chains, operator
// chains, nested arrays and sends). Deeper scripts fail to parse, so no later
// walk of the tree can overflow the stack.
inline constexpr int kMaxSyntaxDepth = 1000;

// What a parse makes: the syntax tree, or only the verdict, for which the same
// grammar and messages run without making nodes or numbering names.
enum class ParseOutput : std::uint8_t { tree, verdictOnly };

struct ParseResult {
  std::optional<ProgramNode> program;  // set on success; without statements for verdictOnly
  std::string error;                   // the "Parsing error: ..." message otherwise
  SourceLocation errorLocation;        // the token the parser stood at when it failed

  bool ok() const { return program.has_value(); }
};

class Parser {
public:
  // Lexes source while parsing; source must outlive the parser.
  explicit Parser(std::string_view source, ParseOutput output = ParseOutput::tree);

  ParseResult parse();

private:
  // An expression with the height of its subtree (a leaf is 1), so the infix
  // loop knows how deep its left side sinks when it is wrapped once more.
  struct Expression {
    NodePtr node;
    int height = 1;
    SourceOffset start = 0;  // its first token's offset
  };
  // One level deeper in the tree for as long as it lives; entering a level past
  // kMaxSyntaxDepth fails the parse, which bounds the recursion of the readers.
  class DepthGuard {
  public:
    explicit DepthGuard(Parser& parser) : parser_(parser) { parser_.enterLevel(); }
    ~DepthGuard() { --parser_.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    Parser& parser_;
  };

  // Statements and blocks (Parser.cpp).
  NodePtr parseStatement();
  void expectSemicolon();
  BlockNode parseBlock();
  IfNode parseIfStatement();
  WhileNode parseWhileStatement();
  NodePtr parseCondition(std::string_view openMissing, std::string_view closeMissing);
  VariableDeclarationNode parseVariableDeclaration();
  AsyncNode parseAsyncStatement();
  FunctionDeclNode parseMethodDeclaration();
  AssignmentNode parseAssignment();

  // Expressions, arrays and message sends (ParserExpressions.cpp).
  Expression parseExpression(int precedence);
  Expression parsePrefix();
  Expression parsePrimary();
  Expression parseArray();
  Expression parseMethodCall();
  // An expression at precedence 0 one level below the node being read.
  Expression parseChildExpression();

  // The cursor: the current token and, once asked for, the one after it.
  const Token& currentToken() const { return lookahead_[current_]; }
  const Token& tokenAfterCurrent();
  void stepOver();
  // Steps over the current token, handing back its text; the cursor never
  // returns to it, so the text can be moved out.
  std::string takeText();
  // The slot of a variable name, numbering names in order of first use.
  SlotId slotOf(const std::string& name);

  void enterLevel();
  // Fails unless a subtree of this height, rooted at the current depth, stays
  // within kMaxSyntaxDepth.
  void checkHeight(int height) const;
  [[noreturn]] void fail(std::string message) const;

  // A node covering the text from start to the end of the token last stepped over.
  template <class T> NodePtr makeTreeNode(T value, SourceOffset start) {
    return buildsTree_ ? makeArenaNode(*arena_, std::move(value), SourceSpan{start, lastEnd_ - start}) : nullptr;
  }
  // Where the current token stands.
  SourceSpan currentSpan() const { return SourceSpan{currentToken().offset, currentToken().length}; }
  void keep(NodeList& nodes, NodePtr node) {
    if (buildsTree_) nodes.push_back(std::move(node));
  }

  Lexer lexer_;
  // The current token and the one after it take turns in two places, which
  // the lexer fills in again and again without moving tokens.
  Token lookahead_[2];
  int current_ = 0;
  bool hasFollowing_ = false;
  // Where the token last stepped over ends.
  SourceOffset lastEnd_ = 0;
  bool buildsTree_ = true;
  // Depth in the tree of the node being read; top-level statements are at 1.
  int depth_ = 0;
  // Variable names by slot, and the slot of each name.
  SlotNames names_;
  std::unordered_map<std::string, SlotId> slots_;
  // The nodes' memory; the tree keeps it alive after the parser is gone.
  NodeArena::Owner arena_ = NodeArena::create();
};

// Lexes and parses a whole script text.
ParseResult parseScript(std::string_view source);

// The same verdict and error as parseScript, without building the tree.
ParseResult checkSyntax(std::string_view source);

}  // namespace quarn
