// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The compiled form of a syntax tree that a run executes. Each node becomes a
// Code: two plain function pointers (what it does as an expression and as a
// statement) with its operands already found, variables as their slots in the
// run's environment, methods as their method slots, literals as values. So
// running a node is one indirect call, with no switch over node kinds, no
// string and no look-up.
//
// A CodeTree owns every Code, name and method of one compiled tree and never
// changes after it is made, so the run's threads share it freely. Whatever may
// outlive the statement that made it (an async job, a declared method) keeps
// the tree alive through shared_from_this.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "frontend/Token.h"
#include "interp/QuarnValue.h"
#include "support/SourceOffset.h"

namespace quarn {

class Evaluator;
class VariableSlot;
struct Code;
struct CodeTree;

// Statements in order, or an array literal's elements.
struct CodeBlock {
  const Code* steps = nullptr;
  std::uint32_t count = 0;

  const Code* begin() const { return steps; }
  inline const Code* end() const;
};

// A declared method: what a send to self runs.
struct MethodCode {
  std::string name;
  CodeBlock body;
};

// Where a method name's current declaration is found; the environment keeps
// one per name for its whole life, so compiled sends hold its address.
struct MethodSlot {
  std::atomic<const MethodCode*> method{nullptr};
};

using EvaluateCode = QuarnValue (*)(const Code&, Evaluator&);
using ExecuteCode = void (*)(const Code&, Evaluator&);

struct Code {
  EvaluateCode evaluate = nullptr;  // as an expression
  ExecuteCode execute = nullptr;    // as a statement
  const Code* first = nullptr;      // operand, left side, condition, value, first argument
  const Code* second = nullptr;     // right side
  VariableSlot* variable = nullptr;
  MethodSlot* methodSlot = nullptr;
  QuarnValue constant;              // a literal, or a binary operator's constant right side
  CodeBlock block;                  // body, then-branch, array elements
  CodeBlock otherBlock;             // else-branch
  const std::string* name = nullptr;  // for messages: the variable, receiver or method
  const void* detail = nullptr;     // what the kind needs besides: a MethodCode, a voice change
  const CodeTree* tree = nullptr;   // the owner, for the kinds that must keep it alive
  TokenKind op = TokenKind::eof;
  bool isConst = false;
  SourceOffset sourceOffset = kNoSourceOffset;  // where its node stands, for the lines it prints
};

inline const Code* CodeBlock::end() const { return steps + count; }

struct CodeTree : std::enable_shared_from_this<CodeTree> {
  const Code* root = nullptr;
  std::deque<Code> singles;                     // codes not in a block
  std::vector<std::unique_ptr<Code[]>> blocks;  // each block's codes, side by side
  std::shared_ptr<const std::vector<std::string>> numberedNames;  // the program's names by slot
  std::deque<std::string> names;                                   // every other name kept
  std::deque<MethodCode> methods;
};

}  // namespace quarn
