// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The syntax tree: 17 immutable node kinds held in one variant. Subtrees are
// shared through shared_ptr<const Node>. Nodes carry data only: the
// interpreter's compiler tells kinds apart with std::visit.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "frontend/Token.h"
#include "support/SourceOffset.h"

namespace quarn {

struct Node;
using NodePtr = std::shared_ptr<const Node>;
using NodeList = std::vector<NodePtr>;

// Variable names are numbered when a script is parsed: every use of one name
// (after NFC) carries the same slot, its index in the program's names, so the
// interpreter finds a variable without comparing strings. Nodes made by hand
// carry kUnresolvedSlot and are found by name.
using SlotId = std::uint32_t;
inline constexpr SlotId kUnresolvedSlot = UINT32_MAX;
using SlotNames = std::vector<std::string>;

// Where a node or a name stands in the parsed text, in bytes; nodes made by
// hand stand nowhere.
struct SourceSpan {
  SourceOffset offset = kNoSourceOffset;
  std::uint32_t length = 0;
};

struct ProgramNode { NodeList statements; std::shared_ptr<const SlotNames> names; };
struct BlockNode { NodeList statements; };
struct FunctionDeclNode { std::string name; BlockNode body; };
struct AsyncNode { BlockNode body; };
struct AssignmentNode { std::string name; NodePtr value; SlotId slot = kUnresolvedSlot; SourceSpan nameSpan; };
struct IfNode { NodePtr condition; BlockNode thenBranch; std::optional<BlockNode> elseBranch; };
struct WhileNode { NodePtr condition; BlockNode body; };
struct VariableDeclarationNode { bool isConst = false; std::string valueType; std::string name; NodePtr value; SlotId slot = kUnresolvedSlot; };
struct UnaryOpNode { Token operatorToken; NodePtr right; };
struct BinaryOpNode { NodePtr left; Token operatorToken; NodePtr right; };
struct IdentifierNode { std::string name; SlotId slot = kUnresolvedSlot; };
struct IntNode { std::int64_t value = 0; };
struct FloatNode { float value = 0.0f; };
struct StringNode { std::string value; };
struct BoolNode { bool value = false; };
struct ArrayNode { NodeList elements; };
// The receivers and selectors the interpreter knows, told apart when a send is
// parsed (resolveSend) so that running it compares no strings; any other name
// is `unknown` / `other` and keeps its text for the messages.
enum class ReceiverId : std::uint8_t { unknown, self, sampler, tb303 };
enum class SelectorId : std::uint8_t {
  other, wait, playFile, setRate, setFrequency, setCutoff, setResonance, setDecay, setAccent, setSlide,
  release, play
};
struct MethodCallNode {
  IdentifierNode receiver;
  std::string methodName;  // the selector as written, colon included
  NodeList arguments;
  ReceiverId receiverId = ReceiverId::unknown;
  SelectorId selectorId = SelectorId::other;
  std::string functionName;  // when the send calls a method: the selector without colons
  SlotId functionSlot = kUnresolvedSlot;  // functionName's slot, numbered like variable names
  SourceSpan receiverSpan;
  SourceSpan selectorSpan;  // the selector with its colon
};

using NodeVariant = std::variant<
    ProgramNode, BlockNode, FunctionDeclNode, AsyncNode, AssignmentNode, IfNode,
    WhileNode, VariableDeclarationNode, UnaryOpNode, BinaryOpNode, IdentifierNode,
    IntNode, FloatNode, StringNode, BoolNode, ArrayNode, MethodCallNode>;

// ASTNode: any node kind.
struct Node {
  NodeVariant value;
  SourceSpan span;  // from its first token to its last

  template <class T> const T* as() const { return std::get_if<T>(&value); }
  template <class T> bool is() const { return std::holds_alternative<T>(value); }
};

template <class T> NodePtr makeNode(T node) {
  return std::make_shared<const Node>(Node{NodeVariant{std::move(node)}, {}});
}

}  // namespace quarn
