// The run's one scope: its rules, and many threads using it at once.
#include "InterpTestSupport.h"

namespace quarn {
namespace {

FunctionDeclNode functionOf(std::size_t statements) { return FunctionDeclNode{"f", BlockNode{NodeList(statements)}}; }

std::string read(const Environment& e, const std::string& n) { auto v = e.get(n); return v ? describe(*v) : "absent"; }

TEST(EnvironmentRules, BuiltInsDeclarationsAssignmentsAndFunctions) {
  Environment environment;
  for (const auto& [name, value] : std::initializer_list<std::pair<const char*, float>>{
           {"FrequencyHigh", 1.0f}, {"FrequencyLow", 0.1f}, {"Maximum", 1.0f}, {"Minimum", 0.0f},
           {"Braindance", 0.6f}, {"Acid", 0.85f}}) {
    environment.define(name, F(2.0f), false);
    environment.assign(name, F(2.0f));
    EXPECT_EQ(read(environment, name), describe(F(value))) << name;
  }
  EXPECT_EQ(read(environment, "frequencyHigh"), "absent");

  environment.define("x", F(1.0f), false);
  environment.define("x", F(2.0f), true);  // ignored, and x does not become constant
  environment.assign("x", S("text"));      // an assignment may change the case
  environment.define("n", N(), false);
  environment.define("n", I(1), false);  // none is a present value
  EXPECT_EQ(read(environment, "x"), describe(S("text")));
  EXPECT_EQ(read(environment, "n"), "none");

  environment.defineFunction(functionOf(1));
  environment.defineFunction(functionOf(3));
  EXPECT_EQ(environment.getFunction("f")->body.statements.size(), 3u);
  EXPECT_EQ(read(environment, "f"), "absent");  // methods and variables are separate
  EXPECT_FALSE(environment.getFunction("x"));
}

// Each thread owns one variable; all fight over a shared one, a constant and one function name.
TEST(EnvironmentConcurrency, ParallelOperationsStayConsistent) {
  constexpr int kThreads = 8, kOperations = 10000;
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
        failures[t] += !before || before->asInt() != i - 1;
        environment.assign(own, I(i));
        environment.define(own, I(-5), true);  // ignored, so own never becomes constant
        environment.assign("shared", A({I(t), S(own)}));
        environment.assign("Maximum", I(i));
        environment.defineFunction(functionOf(static_cast<std::size_t>(t)));
        const auto function = environment.getFunction("f");
        const QuarnValue shared = *environment.get("shared");  // never torn: writer and name agree
        const std::int64_t writer = shared.asArray()[0].asInt();
        failures[t] += !function || function->body.statements.size() >= kThreads ||
                       describe(shared) != describe(A({I(writer), S("own" + std::to_string(writer))}));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    environment.assign("own" + std::to_string(t), I(-2));
    EXPECT_EQ(read(environment, "own" + std::to_string(t)), describe(I(-2)));
  }
  EXPECT_EQ(read(environment, "Maximum"), describe(F(1.0f)));
}

}  // namespace
}  // namespace quarn
