// SPDX-License-Identifier: GPL-3.0-or-later
// Expression steps. Binary operators get one step per operator, so the common
// int-with-int case computes without a switch.

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "interp/CodeSteps.h"
#include "interp/Operators.h"
#include "interp/VariableSlot.h"
#include "support/Diagnostics.h"

namespace quarn {

namespace {

void reportUndefinedIdentifier(const std::string& name, SourceOffset at) {
  printLine(logLine("Reference error: undefined identifier '", name, "'"), at);
}

inline __attribute__((always_inline)) QuarnValue readVariable(const Code& code) {
  QuarnValue value;
  if (!code.variable->read(value)) reportUndefinedIdentifier(*code.name, code.sourceOffset);
  return value;
}

// Both sides always, left first: && and || do not short-circuit.
template <TokenKind op> struct Binary {
  static QuarnValue run(const Code& code, Evaluator& evaluator) {
    const QuarnValue left = code.first->evaluate(*code.first, evaluator);
    const QuarnValue right = code.second->evaluate(*code.second, evaluator);
    return applyBinaryOperator(left, op, right);
  }
};

template <TokenKind op> struct VariableWithConstant {
  static QuarnValue run(const Code& code, Evaluator&) { return applyBinaryOperator(readVariable(code), op, code.constant); }
};

// Step<op>::run for every token kind, indexed by kind.
template <template <TokenKind> class Step, std::size_t... kinds>
constexpr std::array<EvaluateCode, sizeof...(kinds)> stepsByOperator(std::index_sequence<kinds...>) {
  return {&Step<static_cast<TokenKind>(kinds)>::run...};
}

constexpr auto kBinarySteps = stepsByOperator<Binary>(std::make_index_sequence<kTokenKindCount>());
constexpr auto kVariableWithConstantSteps =
    stepsByOperator<VariableWithConstant>(std::make_index_sequence<kTokenKindCount>());

}  // namespace

QuarnValue CodeSteps::none(const Code&, Evaluator&) { return QuarnValue::none(); }

QuarnValue CodeSteps::literal(const Code& code, Evaluator&) { return code.constant; }

QuarnValue CodeSteps::variable(const Code& code, Evaluator&) { return readVariable(code); }

QuarnValue CodeSteps::unary(const Code& code, Evaluator& run) {
  return applyUnaryOperator(code.op, code.first->evaluate(*code.first, run));
}

QuarnValue CodeSteps::array(const Code& code, Evaluator& run) {
  QuarnArray elements;
  elements.reserve(code.block.count);
  for (const Code& element : code.block) {
    elements.push_back(element.evaluate(element, run));
  }
  return QuarnValue::makeArray(std::move(elements));
}

EvaluateCode CodeSteps::binary(TokenKind op, bool isVariableWithConstant) {
  const auto index = static_cast<std::size_t>(op);
  return isVariableWithConstant ? kVariableWithConstantSteps[index] : kBinarySteps[index];
}

}  // namespace quarn
