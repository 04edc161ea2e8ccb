// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns a syntax tree into a CodeTree for one environment: every variable and
// method name is found (or made) in the environment once, here, and every node
// gets the steps of its kind. Names numbered by the parser are found once per
// name, not once per use. Used on one thread, for one tree.

#include <memory>
#include <vector>

#include "frontend/Ast.h"
#include "interp/Code.h"
#include "interp/Environment.h"

namespace quarn {

class Compiler {
public:
  explicit Compiler(Environment& environment) : environment_(environment) {}

  std::shared_ptr<const CodeTree> compile(const Node& root);
  std::shared_ptr<const CodeTree> compile(const ProgramNode& program);

private:
  struct NodeWalk;  // the per-kind compiling (Compiler.cpp)

  // How a block treats an empty child: statements drop it, array elements read none.
  enum class EmptyChild { skip, none };

  void compileInto(Code& code, const Node* node);
  const Code* compileChild(const NodePtr& node);
  CodeBlock compileBlock(const NodeList& nodes, EmptyChild empty);
  CodeBlock compileProgram(const ProgramNode& program);
  // The name kept for messages; numbered names are the program's own.
  const std::string* keep(const std::string& name, SlotId slot = kUnresolvedSlot);
  VariableSlot* variableFor(SlotId slot, const std::string& name);
  MethodSlot* methodFor(SlotId slot, const std::string& name);

  Environment& environment_;
  std::shared_ptr<CodeTree> tree_ = std::make_shared<CodeTree>();
  // The slots of the program's numbered names, found on first use.
  std::vector<VariableSlot*> variablesBySlot_;
  std::vector<MethodSlot*> methodsBySlot_;
};

}  // namespace quarn
