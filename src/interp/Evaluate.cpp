// Expression evaluation: a recursive walk over the expression node kinds.
// Everything else evaluates to none without being executed.

#include <string>
#include <string_view>
#include <type_traits>

#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace quarn {

namespace {

constexpr std::string_view kReferenceErrorPrefix = "[VRKLog] Reference error: undefined identifier '";

void reportUndefinedIdentifier(const std::string& name) {
  std::string line;
  line.reserve(kReferenceErrorPrefix.size() + name.size() + 1);
  line.append(kReferenceErrorPrefix).append(name).push_back('\'');
  printLine(line);
}

}  // namespace

struct Evaluator::ExpressionWalk {
  Evaluator& evaluator;

  QuarnValue operator()(const IntNode& node) const { return QuarnValue::makeInt(node.value); }
  QuarnValue operator()(const FloatNode& node) const { return QuarnValue::makeFloat(node.value); }
  QuarnValue operator()(const StringNode& node) const { return QuarnValue::makeString(node.value); }
  QuarnValue operator()(const BoolNode& node) const { return QuarnValue::makeBool(node.value); }

  QuarnValue operator()(const IdentifierNode& node) const {
    QuarnValue value;
    if (!evaluator.environment->get(evaluator.usableSlot(node.slot), node.name, value)) {
      reportUndefinedIdentifier(node.name);
    }
    return value;
  }

  QuarnValue operator()(const BinaryOpNode& node) const {
    // Both sides always, left first: && and || do not short-circuit.
    QuarnValue left = evaluator.evaluateOrNone(node.left);
    QuarnValue right = evaluator.evaluateOrNone(node.right);
    return evaluator.applyBinaryOperator(left, node.operatorToken, right);
  }

  QuarnValue operator()(const UnaryOpNode& node) const {
    QuarnValue operand = evaluator.evaluateOrNone(node.right);
    return evaluator.applyUnaryOperator(node.operatorToken, operand);
  }

  QuarnValue operator()(const ArrayNode& node) const {
    QuarnArray elements;
    elements.reserve(node.elements.size());
    for (const NodePtr& element : node.elements) {
      elements.push_back(evaluator.evaluateOrNone(element));
    }
    return QuarnValue::makeArray(std::move(elements));
  }

  // Statements and message sends are not expressions: none, nothing run or sent.
  template <class Other>
  QuarnValue operator()(const Other&) const {
    return QuarnValue::none();
  }
};

QuarnValue Evaluator::evaluate(const Node& node) {
  return visitNode(node, ExpressionWalk{*this});
}

// The parser never leaves a child empty; an empty one still reads as none.
QuarnValue Evaluator::evaluateOrNone(const NodePtr& expression) {
  return expression ? evaluate(*expression) : QuarnValue::none();
}

}  // namespace quarn
