// SPDX-License-Identifier: GPL-3.0-or-later
// The warning look: one walk over the statements, which notes declarations and
// checks sends, then the assignments and method calls checked against every
// declaration of the script, wherever it stands.

#include "interp/ScriptWarnings.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "frontend/Sends.h"
#include "interp/Tb303Sends.h"

namespace quarn {
namespace {

// What an argument is known to be before the run: enough to tell that a number
// is impossible.
enum class StaticKind { number, string, boolean, array, nothing, unknown };

StaticKind kindOf(const Node& node) {
  if (node.is<IntNode>() || node.is<FloatNode>()) return StaticKind::number;
  if (node.is<StringNode>()) return StaticKind::string;
  if (node.is<BoolNode>()) return StaticKind::boolean;
  if (node.is<ArrayNode>()) return StaticKind::array;
  if (node.is<MethodCallNode>()) return StaticKind::nothing;  // a send gives no value
  if (const auto* unary = node.as<UnaryOpNode>())
    return unary->operatorToken.is(TokenKind::logicalNot) ? StaticKind::boolean : StaticKind::number;
  if (const auto* binary = node.as<BinaryOpNode>()) {
    switch (binary->operatorToken.kind) {
      case TokenKind::plus:
      case TokenKind::minus:
      case TokenKind::star:
      case TokenKind::slash:
      case TokenKind::modulo: return StaticKind::number;  // what is not a number counts as 0
      default: return StaticKind::boolean;                 // comparisons, && and ||
    }
  }
  return StaticKind::unknown;  // a variable may hold anything
}

std::string_view kindWords(StaticKind kind) {
  switch (kind) {
    case StaticKind::string: return "a string";
    case StaticKind::boolean: return "a bool";
    case StaticKind::array: return "an array";
    default: return "a send, which gives no value";
  }
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

class WarningWalk {
public:
  explicit WarningWalk(const std::vector<std::string>& bundledSounds) : bundledSounds_(bundledSounds) {}

  void statements(const NodeList& list) {
    for (const NodePtr& node : list) {
      if (node) statement(*node);
    }
  }

  std::vector<ScriptWarning> finish() {
    for (const AssignmentNode* assignment : assignments_) {
      if (declaredNames_.contains(assignment->name)) continue;
      add(WarningKind::undeclaredName, assignment->nameSpan,
          "No statement declares " + quoted(assignment->name) + ", so this assignment changes nothing. "
              "Declare it first, for example: float " + assignment->name + " = 0.0;");
    }
    for (const MethodCallNode* call : calls_) {
      if (declaredMethods_.contains(call->functionName)) continue;
      add(WarningKind::undeclaredMethod, call->selectorSpan,
          "This script declares no method " + quoted(call->functionName) + ". Declare it with - (void) " +
              call->functionName + " { ... }");
    }
    std::stable_sort(warnings_.begin(), warnings_.end(),
                     [](const ScriptWarning& a, const ScriptWarning& b) { return a.span.offset < b.span.offset; });
    return std::move(warnings_);
  }

private:
  void statement(const Node& node) {
    if (const auto* call = node.as<MethodCallNode>()) return send(*call);
    if (const auto* declaration = node.as<VariableDeclarationNode>()) {
      declaredNames_.insert(declaration->name);
    } else if (const auto* assignment = node.as<AssignmentNode>()) {
      assignments_.push_back(assignment);
    } else if (const auto* block = node.as<BlockNode>()) {
      statements(block->statements);
    } else if (const auto* branch = node.as<IfNode>()) {
      statements(branch->thenBranch.statements);
      if (branch->elseBranch) statements(branch->elseBranch->statements);
    } else if (const auto* loop = node.as<WhileNode>()) {
      statements(loop->body.statements);
    } else if (const auto* async = node.as<AsyncNode>()) {
      statements(async->body.statements);
    } else if (const auto* method = node.as<FunctionDeclNode>()) {
      declaredMethods_.insert(method->name);
      statements(method->body.statements);
    }
  }

  void send(const MethodCallNode& call) {
    const Node* argument = call.arguments.empty() ? nullptr : call.arguments.front().get();
    switch (call.receiverId) {
      case ReceiverId::self:
        if (callsMethod(call)) calls_.push_back(&call);
        return;
      case ReceiverId::sampler:
        if (call.selectorId == SelectorId::playFile && argument != nullptr) playedSound(*argument);
        return;
      case ReceiverId::tb303: return voiceSend(call, argument);
      case ReceiverId::unknown:
        add(WarningKind::unknownReceiver, call.receiverSpan,
            "There is no receiver " + quoted(call.receiver.name) + ": send to tb303, sampler or self.");
        return;
    }
  }

  void voiceSend(const MethodCallNode& call, const Node* argument) {
    const Tb303SendUse use = tb303SendUse(call.selectorId);
    if (!use.isKnown) {
      add(WarningKind::unknownSelector, call.selectorSpan,
          "tb303 does not know " + quoted(call.methodName) + ": the run ignores this send without a word. "
              "Check the spelling.");
      return;
    }
    if (!use.needsNumber || argument == nullptr) return;
    const StaticKind kind = kindOf(*argument);
    if (kind == StaticKind::number || kind == StaticKind::unknown) return;
    add(WarningKind::notANumber, argument->span,
        call.methodName + " needs a number, and this is " + std::string(kindWords(kind)) +
            ": the run ignores this send without a word.");
  }

  void playedSound(const Node& argument) {
    const auto* name = argument.as<StringNode>();
    if (name == nullptr || bundledSounds_.empty()) return;
    if (std::find(bundledSounds_.begin(), bundledSounds_.end(), name->value) != bundledSounds_.end()) return;
    std::string known;
    for (const std::string& sound : bundledSounds_) known += (known.empty() ? "" : ", ") + sound;
    add(WarningKind::missingSound, argument.span,
        "No bundled sound is called " + quoted(name->value) + ". The bundled sounds are: " + known + ".");
  }

  void add(WarningKind kind, SourceSpan span, std::string reason) {
    warnings_.push_back(ScriptWarning{kind, span, std::move(reason)});
  }

  const std::vector<std::string>& bundledSounds_;
  std::unordered_set<std::string> declaredNames_;
  std::unordered_set<std::string> declaredMethods_;
  std::vector<const AssignmentNode*> assignments_;
  std::vector<const MethodCallNode*> calls_;
  std::vector<ScriptWarning> warnings_;
};

}  // namespace

std::vector<ScriptWarning> findScriptWarnings(const ProgramNode& program,
                                              const std::vector<std::string>& bundledSounds) {
  WarningWalk walk(bundledSounds);
  walk.statements(program.statements);
  return walk.finish();
}

}  // namespace quarn
