// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/Compiler.h"

#include <utility>
#include <variant>

#include "frontend/Sends.h"
#include "interp/CodeSteps.h"

namespace quarn {

// Each operator fills the code of one node kind.
struct Compiler::NodeWalk {
  Compiler& compiler;
  Code& code;

  void statement(ExecuteCode step) const {
    code.execute = step;
    code.evaluate = &CodeSteps::none;
  }
  void expression(EvaluateCode step) const {
    code.evaluate = step;
    code.execute = &CodeSteps::nothing;
  }
  void literal(QuarnValue value) const {
    expression(&CodeSteps::literal);
    code.constant = std::move(value);
  }

  void operator()(const ProgramNode& node) const {
    statement(&CodeSteps::program);
    code.block = compiler.compileProgram(node);
  }
  void operator()(const BlockNode& node) const {
    statement(&CodeSteps::block);
    code.block = compiler.compileBlock(node.statements, EmptyChild::skip);
  }
  void operator()(const FunctionDeclNode& node) const {
    statement(&CodeSteps::declareMethod);
    code.methodSlot = compiler.methodFor(kUnresolvedSlot, node.name);
    code.detail = &compiler.tree_->methods.emplace_back(
        MethodCode{node.name, compiler.compileBlock(node.body.statements, EmptyChild::skip)});
    code.tree = compiler.tree_.get();
  }
  void operator()(const AsyncNode& node) const {
    statement(&CodeSteps::async);
    code.block = compiler.compileBlock(node.body.statements, EmptyChild::skip);
    code.tree = compiler.tree_.get();
  }
  void operator()(const AssignmentNode& node) const {
    statement(&CodeSteps::assign);
    code.variable = compiler.variableFor(node.slot, node.name);
    code.first = compiler.compileChild(node.value);
  }
  void operator()(const VariableDeclarationNode& node) const {
    statement(&CodeSteps::declare);
    code.variable = compiler.variableFor(node.slot, node.name);
    code.first = compiler.compileChild(node.value);
    code.isConst = node.isConst;
  }
  void operator()(const IfNode& node) const {
    statement(&CodeSteps::ifElse);
    code.first = compiler.compileChild(node.condition);
    code.block = compiler.compileBlock(node.thenBranch.statements, EmptyChild::skip);
    if (node.elseBranch) code.otherBlock = compiler.compileBlock(node.elseBranch->statements, EmptyChild::skip);
  }
  void operator()(const WhileNode& node) const {
    statement(&CodeSteps::whileLoop);
    code.first = compiler.compileChild(node.condition);
    code.block = compiler.compileBlock(node.body.statements, EmptyChild::skip);
  }
  void operator()(const MethodCallNode& node) const;

  void operator()(const UnaryOpNode& node) const {
    expression(&CodeSteps::unary);
    code.op = node.operatorToken.kind;
    code.first = compiler.compileChild(node.right);
  }
  void operator()(const BinaryOpNode& node) const;
  void operator()(const IdentifierNode& node) const {
    expression(&CodeSteps::variable);
    code.variable = compiler.variableFor(node.slot, node.name);
    code.name = compiler.keep(node.name, node.slot);
  }
  void operator()(const IntNode& node) const { literal(QuarnValue::makeInt(node.value)); }
  void operator()(const FloatNode& node) const { literal(QuarnValue::makeFloat(node.value)); }
  void operator()(const StringNode& node) const { literal(QuarnValue::makeString(node.value)); }
  void operator()(const BoolNode& node) const { literal(QuarnValue::makeBool(node.value)); }
  void operator()(const ArrayNode& node) const {
    expression(&CodeSteps::array);
    code.block = compiler.compileBlock(node.elements, EmptyChild::none);
  }
};

// `name op int`, the shape of most loop conditions and counters, reads its
// variable and constant in one step.
void Compiler::NodeWalk::operator()(const BinaryOpNode& node) const {
  code.op = node.operatorToken.kind;
  const auto* left = node.left ? node.left->as<IdentifierNode>() : nullptr;
  const auto* right = node.right ? node.right->as<IntNode>() : nullptr;
  const bool isVariableWithConstant = left != nullptr && right != nullptr;
  expression(CodeSteps::binary(code.op, isVariableWithConstant));
  if (isVariableWithConstant) {
    code.variable = compiler.variableFor(left->slot, left->name);
    code.name = compiler.keep(left->name, left->slot);
    code.constant = QuarnValue::makeInt(right->value);
  } else {
    code.first = compiler.compileChild(node.left);
    code.second = compiler.compileChild(node.right);
  }
}

// Only the first argument is ever used; a send to a declared method uses none.
void Compiler::NodeWalk::operator()(const MethodCallNode& node) const {
  statement(CodeSteps::send(node, code.detail));
  if (callsMethod(node)) {
    code.methodSlot = compiler.methodFor(node.functionSlot, node.functionName);
    code.name = compiler.keep(node.functionName, node.functionSlot);
    return;
  }
  code.name = compiler.keep(node.receiverId == ReceiverId::unknown ? node.receiver.name : node.methodName);
  if (!node.arguments.empty()) code.first = compiler.compileChild(node.arguments.front());
}

std::shared_ptr<const CodeTree> Compiler::compile(const Node& root) {
  Code& code = tree_->singles.emplace_back();
  compileInto(code, &root);
  tree_->root = &code;
  return std::move(tree_);
}

std::shared_ptr<const CodeTree> Compiler::compile(const ProgramNode& program) {
  Code& code = tree_->singles.emplace_back();
  NodeWalk{*this, code}(program);
  tree_->root = &code;
  return std::move(tree_);
}

CodeBlock Compiler::compileProgram(const ProgramNode& program) {
  if (program.names) {
    variablesBySlot_.assign(program.names->size(), nullptr);
    methodsBySlot_.assign(program.names->size(), nullptr);
    tree_->numberedNames = program.names;
  }
  return compileBlock(program.statements, EmptyChild::skip);
}

// An empty node reads as none.
void Compiler::compileInto(Code& code, const Node* node) {
  if (node == nullptr) {
    NodeWalk{*this, code}.literal(QuarnValue::none());
    return;
  }
  std::visit(NodeWalk{*this, code}, node->value);
  code.sourceOffset = node->span.offset;
}

const Code* Compiler::compileChild(const NodePtr& node) {
  Code& code = tree_->singles.emplace_back();
  compileInto(code, node.get());
  return &code;
}

CodeBlock Compiler::compileBlock(const NodeList& nodes, EmptyChild empty) {
  std::size_t count = 0;
  for (const NodePtr& node : nodes) {
    if (node || empty == EmptyChild::none) ++count;
  }
  if (count == 0) return {};
  auto codes = std::make_unique<Code[]>(count);
  Code* next = codes.get();
  for (const NodePtr& node : nodes) {
    if (node || empty == EmptyChild::none) compileInto(*next++, node.get());
  }
  const CodeBlock block{codes.get(), static_cast<std::uint32_t>(count)};
  tree_->blocks.push_back(std::move(codes));
  return block;
}

const std::string* Compiler::keep(const std::string& name, SlotId slot) {
  const SlotNames* numbered = tree_->numberedNames.get();
  if (numbered != nullptr && slot < numbered->size()) return &(*numbered)[slot];
  return &tree_->names.emplace_back(name);
}

VariableSlot* Compiler::variableFor(SlotId slot, const std::string& name) {
  if (slot >= variablesBySlot_.size()) return &environment_.variable(name);
  VariableSlot*& found = variablesBySlot_[slot];
  if (found == nullptr) found = &environment_.variable(name);
  return found;
}

MethodSlot* Compiler::methodFor(SlotId slot, const std::string& name) {
  if (slot >= methodsBySlot_.size()) return &environment_.methodSlot(name);
  MethodSlot*& found = methodsBySlot_[slot];
  if (found == nullptr) found = &environment_.methodSlot(name);
  return found;
}

}  // namespace quarn
