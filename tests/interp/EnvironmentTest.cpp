#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ValueTestSupport.h"
#include "frontend/Lexer.h"
#include "interp/Environment.h"

namespace quarn {
namespace {

FunctionDeclNode functionWithStatements(const std::string& name, std::size_t count) {
  BlockNode body;
  for (std::size_t i = 0; i < count; ++i) {
    body.statements.push_back(makeNode(IntNode{static_cast<std::int64_t>(i)}));
  }
  return FunctionDeclNode{name, std::move(body)};
}

TEST(EnvironmentBuiltIns, SixFloatConstants) {
  struct Case { const char* name; float value; };
  const Case cases[] = {{"FrequencyHigh", 1.0f}, {"FrequencyLow", 0.1f}, {"Maximum", 1.0f},
                        {"Minimum", 0.0f},       {"Braindance", 0.6f},   {"Acid", 0.85f}};
  Environment environment;
  for (const Case& c : cases) {
    environment.define(c.name, F(2.0f), false);
    environment.assign(c.name, F(2.0f));
    const auto value = environment.get(c.name);
    ASSERT_TRUE(value.has_value()) << c.name;
    EXPECT_TRUE(valuesMatch(*value, F(c.value))) << c.name;
  }
  EXPECT_FALSE(environment.get("frequencyHigh").has_value());  // names are case-sensitive
  EXPECT_FALSE(environment.get("x").has_value());
  EXPECT_FALSE(environment.getFunction("Acid").has_value());
}

TEST(EnvironmentRules, DeclarationsAndAssignments) {
  Environment environment;
  // float x = 1.0; float x = 2.0;  -> 1.0
  environment.define("x", F(1.0f), false);
  environment.define("x", F(2.0f), false);
  EXPECT_TRUE(valuesMatch(*environment.get("x"), F(1.0f)));

  // float y = 1.0; const float y = 3.0; y = 4.0;  -> 4.0 (y never became constant)
  environment.define("y", F(1.0f), false);
  environment.define("y", F(3.0f), true);
  environment.assign("y", F(4.0f));
  EXPECT_TRUE(valuesMatch(*environment.get("y"), F(4.0f)));

  // const float k = 1.0; k = 2.0;  -> 1.0
  environment.define("k", F(1.0f), true);
  environment.assign("k", F(2.0f));
  EXPECT_TRUE(valuesMatch(*environment.get("k"), F(1.0f)));

  // z = 5; without a declaration creates nothing
  environment.assign("z", I(5));
  EXPECT_FALSE(environment.get("z").has_value());

  // an assignment may change the case of a variable
  environment.assign("x", S("text"));
  EXPECT_TRUE(valuesMatch(*environment.get("x"), S("text")));
}

TEST(EnvironmentRules, NoneIsAPresentValue) {
  Environment environment;
  environment.define("n", N(), false);
  const auto value = environment.get("n");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->kind(), ValueKind::none);
  environment.define("n", I(1), false);  // still a redeclaration
  EXPECT_EQ(environment.get("n")->kind(), ValueKind::none);
  environment.assign("n", I(1));
  EXPECT_TRUE(valuesMatch(*environment.get("n"), I(1)));
}

TEST(EnvironmentFunctions, LaterDeclarationReplacesAndNamespacesAreSeparate) {
  Environment environment;
  environment.defineFunction(functionWithStatements("beat", 1));
  environment.defineFunction(functionWithStatements("beat", 3));
  const auto function = environment.getFunction("beat");
  ASSERT_TRUE(function.has_value());
  EXPECT_EQ(function->name, "beat");
  EXPECT_EQ(function->body.statements.size(), 3u);
  EXPECT_FALSE(environment.get("beat").has_value());

  environment.define("beat", I(7), false);
  EXPECT_TRUE(valuesMatch(*environment.get("beat"), I(7)));
  EXPECT_EQ(environment.getFunction("beat")->body.statements.size(), 3u);
  EXPECT_FALSE(environment.getFunction("other").has_value());
}

TEST(EnvironmentNames, PrecomposedAndDecomposedSpellingsAreOneName) {
  const auto precomposed = tokenize("caf\u00e9");
  const auto decomposed = tokenize("cafe\u0301");
  ASSERT_GE(precomposed.size(), 1u);
  ASSERT_GE(decomposed.size(), 1u);
  ASSERT_EQ(precomposed[0].kind, TokenKind::identifier);
  ASSERT_EQ(decomposed[0].kind, TokenKind::identifier);
  EXPECT_EQ(precomposed[0].text, decomposed[0].text);

  Environment environment;
  environment.define(precomposed[0].text, I(1), false);
  environment.assign(decomposed[0].text, I(2));
  EXPECT_TRUE(valuesMatch(*environment.get(decomposed[0].text), I(2)));
}

// Several threads hammer one environment; every thread owns one variable and
// all of them fight over a shared one, a constant and one function name.
TEST(EnvironmentConcurrency, ParallelOperationsStayConsistent) {
  constexpr int kThreads = 8;
  constexpr int kOperations = 10000;
  Environment environment;
  environment.define("shared", I(-1), false);
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&environment, &failures, t] {
      const std::string own = "own" + std::to_string(t);
      environment.define(own, I(0), false);
      for (int i = 1; i < kOperations; ++i) {
        const auto before = environment.get(own);
        if (!before || before->asInt() != i - 1) ++failures[t];
        environment.assign(own, I(i));
        environment.define(own, I(-5), true);  // ignored redeclaration
        environment.assign("shared", A({I(t), S(own)}));
        environment.assign("Maximum", I(i));
        environment.defineFunction(functionWithStatements("f", static_cast<std::size_t>(t)));
        const auto function = environment.getFunction("f");
        if (!function || function->body.statements.size() >= static_cast<std::size_t>(kThreads)) ++failures[t];
        const auto shared = environment.get("shared");
        if (!shared) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_TRUE(valuesMatch(*environment.get("own" + std::to_string(t)), I(kOperations - 1)));
    environment.assign("own" + std::to_string(t), I(0));  // not made constant by the racing defines
    EXPECT_TRUE(valuesMatch(*environment.get("own" + std::to_string(t)), I(0)));
  }
  const QuarnValue shared = *environment.get("shared");
  ASSERT_EQ(shared.kind(), ValueKind::arrayValue);
  const std::int64_t writer = shared.asArray()[0].asInt();
  EXPECT_TRUE(valuesMatch(shared, A({I(writer), S("own" + std::to_string(writer))})));
  EXPECT_TRUE(valuesMatch(*environment.get("Maximum"), F(1.0f)));
  EXPECT_LT(environment.getFunction("f")->body.statements.size(), static_cast<std::size_t>(kThreads));
}

}  // namespace
}  // namespace quarn
