#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "ValueTestSupport.h"
#include "audio/EngineManager.h"
#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace quarn {
namespace {

NodePtr num(std::int64_t v) { return makeNode(IntNode{v}); }
NodePtr name(std::string n) { return makeNode(IdentifierNode{std::move(n)}); }
NodePtr binary(NodePtr left, TokenKind op, NodePtr right) {
  return makeNode(BinaryOpNode{std::move(left), Token::make(op), std::move(right)});
}
NodePtr array(NodeList elements) { return makeNode(ArrayNode{std::move(elements)}); }
std::string referenceError(const std::string& n) {
  return "[VRKLog] Reference error: undefined identifier '" + n + "'";
}

// A silent engine, a fresh environment, and every printed line captured.
class EvaluatorExpressions : public ::testing::Test {
protected:
  void SetUp() override {
    setLineSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  void TearDown() override { setLineSink({}); }

  QuarnValue run(const NodePtr& node) { return evaluator->evaluate(*node); }

  std::vector<std::string> lines;
  std::shared_ptr<EngineManager> engine =
      std::make_shared<EngineManager>(EngineManager::defaultResourcesDir(), AudioOutput::none);
  std::shared_ptr<Environment> environment = std::make_shared<Environment>();
  std::shared_ptr<Evaluator> evaluator = std::make_shared<Evaluator>(engine, environment);
};

TEST_F(EvaluatorExpressions, LiteralsBecomeTheirCases) {
  EXPECT_TRUE(valuesMatch(run(num(-4)), I(-4)));
  EXPECT_TRUE(valuesMatch(run(makeNode(FloatNode{2.5f})), F(2.5f)));
  EXPECT_TRUE(valuesMatch(run(makeNode(StringNode{"kick"})), S("kick")));
  EXPECT_TRUE(valuesMatch(run(makeNode(BoolNode{true})), B(true)));
  EXPECT_TRUE(valuesMatch(run(array({})), A({})));
  EXPECT_TRUE(valuesMatch(run(array({num(1), array({num(2)})})), A({I(1), A({I(2)})})));
  EXPECT_TRUE(lines.empty());
}

TEST_F(EvaluatorExpressions, IdentifiersReadTheEnvironment) {
  environment->define("a", I(4), false);
  environment->define("nothing", N(), false);
  EXPECT_TRUE(valuesMatch(run(name("a")), I(4)));
  EXPECT_TRUE(valuesMatch(run(name("Acid")), F(0.85f)));
  EXPECT_TRUE(valuesMatch(run(name("nothing")), N()));  // present, so no error
  // (a + 2) * 3 - a / 4 = 18 - 1
  const NodePtr tree = binary(binary(binary(name("a"), TokenKind::plus, num(2)), TokenKind::star, num(3)),
                              TokenKind::minus, binary(name("a"), TokenKind::slash, num(4)));
  EXPECT_TRUE(valuesMatch(run(tree), I(17)));
  EXPECT_TRUE(lines.empty());
}

TEST_F(EvaluatorExpressions, UndefinedIdentifierReportsOncePerEvaluation) {
  EXPECT_TRUE(valuesMatch(run(binary(name("q"), TokenKind::plus, num(1))), I(1)));
  EXPECT_EQ(lines, std::vector<std::string>{referenceError("q")});

  lines.clear();
  EXPECT_TRUE(valuesMatch(run(array({num(1), name("q")})), A({I(1), N()})));
  EXPECT_EQ(lines, std::vector<std::string>{referenceError("q")});

  lines.clear();
  const NodePtr read = name("caf\u00e9");
  for (int pass = 0; pass < 3; ++pass) run(read);
  EXPECT_EQ(lines, std::vector<std::string>(3, referenceError("caf\u00e9")));
}

TEST_F(EvaluatorExpressions, FunctionNamesAreNotValues) {
  environment->defineFunction(FunctionDeclNode{"groove", BlockNode{}});
  EXPECT_TRUE(valuesMatch(run(name("groove")), N()));
  EXPECT_EQ(lines, std::vector<std::string>{referenceError("groove")});
}

TEST_F(EvaluatorExpressions, BothOperandsAlwaysEvaluatedLeftFirst) {
  const QuarnValue result = run(binary(binary(makeNode(BoolNode{false}), TokenKind::logicalAnd, name("left")),
                                       TokenKind::logicalOr,
                                       binary(makeNode(BoolNode{true}), TokenKind::logicalOr, name("right"))));
  EXPECT_TRUE(valuesMatch(result, B(true)));
  EXPECT_EQ(lines, (std::vector<std::string>{referenceError("left"), referenceError("right")}));

  lines.clear();
  run(makeNode(UnaryOpNode{Token::make(TokenKind::logicalNot), name("u")}));
  EXPECT_EQ(lines, std::vector<std::string>{referenceError("u")});
}

// Statements and sends in expression position yield none and do nothing:
// no declaration, no assignment, no send, not even their argument evaluated.
TEST_F(EvaluatorExpressions, NonExpressionNodesYieldNoneWithoutRunning) {
  environment->define("x", I(1), false);
  engine->isRunning.store(true);
  const float frequencyBefore = engine->synth->pointer->frequency.load();
  const bool playingBefore = engine->synth->pointer->isPlaying.load();
  BlockNode assigning{{makeNode(AssignmentNode{"x", num(9)})}};
  const NodePtr nodes[] = {
      makeNode(MethodCallNode{IdentifierNode{"tb303"}, "setFrequency:", {num(110)}}),
      makeNode(MethodCallNode{IdentifierNode{"self"}, "wait:", {name("missing")}}),
      makeNode(MethodCallNode{IdentifierNode{"tb303"}, "release", {}}),
      makeNode(VariableDeclarationNode{false, "float", "fresh", num(3)}),
      makeNode(AssignmentNode{"x", num(5)}),
      makeNode(FunctionDeclNode{"declared", assigning}),
      makeNode(IfNode{makeNode(BoolNode{true}), assigning, std::nullopt}),
      makeNode(WhileNode{makeNode(BoolNode{false}), assigning}),
      makeNode(AsyncNode{assigning}),
      makeNode(BlockNode{assigning}),
      makeNode(ProgramNode{assigning.statements}),
  };
  for (const NodePtr& node : nodes) {
    EXPECT_TRUE(valuesMatch(run(node), N())) << "node kind " << node->value.index();
  }
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(valuesMatch(*environment->get("x"), I(1)));
  EXPECT_FALSE(environment->get("fresh").has_value());
  EXPECT_FALSE(environment->getFunction("declared").has_value());
  EXPECT_EQ(engine->synth->pointer->frequency.load(), frequencyBefore);
  EXPECT_EQ(engine->synth->pointer->isPlaying.load(), playingBefore);
  EXPECT_TRUE(engine->isRunning.load());
}

}  // namespace
}  // namespace quarn
