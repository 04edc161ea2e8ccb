// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What compiled nodes do: one step per node kind (and per operator for the
// binary operators), chosen once by the Compiler. Every expression step has a
// statement twin and back: an expression used as a statement does nothing,
// and a statement or send used as an expression is none, neither run nor sent.

#include "frontend/Ast.h"
#include "interp/Code.h"
#include "interp/Evaluator.h"

namespace quarn {

struct CodeSteps {
  // Expressions (CodeExpressions.cpp).
  static QuarnValue none(const Code&, Evaluator&);
  static QuarnValue literal(const Code& code, Evaluator&);
  static QuarnValue variable(const Code& code, Evaluator& run);
  static QuarnValue unary(const Code& code, Evaluator& run);
  static QuarnValue array(const Code& code, Evaluator& run);
  // The step for `left op right`; the compiler has already stored a constant
  // int right side and a variable left side in the code when both hold.
  static EvaluateCode binary(TokenKind op, bool isVariableWithConstant);

  // Statements (CodeStatements.cpp).
  static void nothing(const Code&, Evaluator&);
  static void program(const Code& code, Evaluator& run);
  static void block(const Code& code, Evaluator& run);
  static void ifElse(const Code& code, Evaluator& run);
  static void whileLoop(const Code& code, Evaluator& run);
  static void declare(const Code& code, Evaluator& run);
  static void assign(const Code& code, Evaluator& run);
  static void declareMethod(const Code& code, Evaluator& run);
  static void async(const Code& code, Evaluator& run);

  // Message sends (CodeSends.cpp): the step for a send, and what it needs
  // besides (stored in Code::detail).
  static ExecuteCode send(const MethodCallNode& call, const void*& detail);
};

}  // namespace quarn
