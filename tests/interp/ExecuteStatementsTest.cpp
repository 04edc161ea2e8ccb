// Statement execution: each statement kind, the loop guard and the running flag.
#include "ExecuteTestSupport.h"

#include "interp/Run.h"

namespace quarn {
namespace {

using namespace build;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ExecuteStatements = RunFixture;
using ExecuteLoopGuard = RunFixture;
using ExecuteRunningFlag = RunFixture;

TEST_F(ExecuteStatements, DeclarationsAndAssignmentsFollowTheEnvironmentRules) {
  run({
      declare("x", real(1.5)),          // declared int, stored as given
      declare("x", integer(2)),         // redeclaration ignored
      declare("k", real(1.0f), true),
      assign("k", real(2.0f)),          // constant kept
      assign("z", integer(3)),          // never declared: nothing stored
      declare("n", integer(1)),
      increment("n"),
  });
  ASSERT_TRUE(variable("x"));
  EXPECT_EQ(variable("x")->kind(), ValueKind::floatValue);
  EXPECT_EQ(variable("x")->asFloat(), 1.5f);
  EXPECT_EQ(variable("k")->asFloat(), 1.0f);
  EXPECT_FALSE(variable("z"));
  EXPECT_EQ(intVariable("n"), 2);
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(ExecuteStatements, OnlyBoolTrueTakesTheThenBranch) {
  struct Case {
    NodePtr condition;
    bool hasElse;
    std::int64_t expected;  // 1: then, 2: else, 0: neither
  };
  const Case cases[] = {
      {boolean(true), true, 1},   {boolean(false), true, 2}, {integer(1), true, 2},
      {real(1.0f), true, 2},      {text("true"), true, 2},   {boolean(false), false, 0},
      {binary(integer(2), TokenKind::greaterThan, real(1.5f)), false, 1},
  };
  for (const Case& c : cases) {
    evaluator = newRun();
    run({declare("r", integer(0)),
         c.hasElse ? when(c.condition, {assign("r", integer(1))}, NodeList{assign("r", integer(2))})
                   : when(c.condition, {assign("r", integer(1))})});
    EXPECT_EQ(intVariable("r"), c.expected);
  }
}

TEST_F(ExecuteStatements, UndefinedConditionReportsOnceAndRunsNoBranch) {
  run({declare("r", integer(0)), when(name("x"), {assign("r", integer(1))})});
  EXPECT_EQ(intVariable("r"), 0);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Reference error: undefined identifier 'x'"));
}

TEST_F(ExecuteStatements, ExpressionStatementsAreNotEvaluated) {
  run({
      name("y"),
      binary(send("tb303", "play"), TokenKind::plus, integer(1)),
      makeNode(ArrayNode{{name("q"), send("piano", "play")}}),
      nested({}),
  });
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(ExecuteStatements, ASendInsideAnExpressionIsNotSent) {
  synthSetPlaying(&voice(), false);
  run({binary(send("tb303", "play"), TokenKind::plus, integer(1)), declare("v", send("tb303", "play"))});
  EXPECT_FALSE(voice().isPlaying.load());
  EXPECT_EQ(variable("v")->kind(), ValueKind::none);
}

TEST_F(ExecuteStatements, MethodsExistFromTheirDeclarationOnAndTheLastOneWins) {
  run({
      declare("r", integer(0)),
      send("self", "beat"),
      method("beat", {assign("r", integer(1))}),
      send("self", "beat"),
      method("beat", {assign("r", integer(2)), declare("inside", integer(5))}),
      send("self", "beat:", integer(9)),
  });
  EXPECT_EQ(intVariable("r"), 2);
  EXPECT_EQ(intVariable("inside"), 5);  // one flat scope: the body's declaration stays
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Error: It is an undeclared function - beat"));
}

TEST_F(ExecuteStatements, NestedBlocksRunInOrderInTheSameScope) {
  run({declare("a", integer(1)), nested({declare("b", integer(2)), nested({assign("a", integer(3))})}),
       assign("b", binary(name("a"), TokenKind::plus, name("b")))});
  EXPECT_EQ(intVariable("a"), 3);
  EXPECT_EQ(intVariable("b"), 5);
}

TEST_F(ExecuteStatements, RunProgramExecutesOnTheCallingThreadWithFreshBuiltins) {
  auto first = runProgram(engine, program({declare("x", integer(4)), assign("Maximum", real(2.0f))}));
  auto second = runProgram(engine, program({}));
  EXPECT_EQ(first->environment->get("x")->asInt(), 4);
  EXPECT_EQ(first->environment->get("Maximum")->asFloat(), 1.0f);
  EXPECT_FALSE(second->environment->get("x"));
  EXPECT_NE(first->environment, second->environment);
}

TEST_F(ExecuteLoopGuard, CutsOffAfterExactlyTenThousandBodyRuns) {
  struct Case {
    std::int64_t limit;
    std::int64_t expectedCount;
    bool overload;
  };
  const Case cases[] = {{9999, 9999, false}, {10000, 10000, true}, {20000, 10000, true}, {0, 0, false}};
  for (const Case& c : cases) {
    evaluator = newRun();
    const std::size_t linesBefore = lines().size();
    run({declare("i", integer(0)), loop(binary(name("i"), TokenKind::lessThan, integer(c.limit)), {increment("i")}),
         declare("after", integer(1))});
    EXPECT_EQ(intVariable("i"), c.expectedCount) << "limit " << c.limit;
    EXPECT_EQ(intVariable("after"), 1) << "the run goes on after the loop";
    const std::vector<std::string> all = lines();
    const std::vector<std::string> seen(all.begin() + static_cast<std::ptrdiff_t>(linesBefore), all.end());
    EXPECT_EQ(seen, c.overload ? std::vector<std::string>{kLoopGuardLine} : std::vector<std::string>{})
        << "limit " << c.limit;
  }
}

TEST_F(ExecuteLoopGuard, NonBoolConditionsNeverRunTheBody) {
  run({declare("i", integer(0)), loop(integer(1), {increment("i")}), loop(real(1.0f), {increment("i")})});
  EXPECT_EQ(intVariable("i"), 0);
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(ExecuteLoopGuard, EachExecutionOfTheStatementCountsAfresh) {
  // outer: 3 passes; inner: runaway each time, so three overload lines.
  run({declare("o", integer(0)), declare("n", integer(0)),
       loop(binary(name("o"), TokenKind::lessThan, integer(3)),
            {increment("o"), loop(boolean(true), {increment("n")})})});
  EXPECT_EQ(intVariable("o"), 3);
  EXPECT_EQ(intVariable("n"), 30000);
  EXPECT_THAT(lines(), ElementsAre(kLoopGuardLine, kLoopGuardLine, kLoopGuardLine));
}

TEST_F(ExecuteRunningFlag, NothingRunsWhileTheFlagIsClear) {
  engine->isRunning = false;
  run({declare("x", integer(1)), send("piano", "play"), name("q"), async({declare("y", integer(1))})});
  evaluator->waitForAsyncBodies();
  EXPECT_FALSE(variable("x"));
  EXPECT_FALSE(variable("y"));
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(ExecuteRunningFlag, ReleaseSkipsTheRestOfTheProgram) {
  synthSetPlaying(&voice(), true);
  run({declare("before", integer(1)), nested({send("tb303", "release"), declare("inBlock", integer(1))}),
       declare("after", integer(1)), send("piano", "play")});
  EXPECT_TRUE(variable("before"));
  EXPECT_FALSE(variable("inBlock"));
  EXPECT_FALSE(variable("after"));
  EXPECT_FALSE(engine->isRunning.load());
  EXPECT_FALSE(voice().isPlaying.load());
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(ExecuteRunningFlag, ReleaseInsideALoopLeavesTheConditionSpinningUntilTheGuard) {
  run({declare("i", integer(0)),
       loop(binary(name("i"), TokenKind::lessThan, integer(5)), {increment("i"), send("tb303", "release")})});
  EXPECT_EQ(intVariable("i"), 1);
  EXPECT_THAT(lines(), ElementsAre(kLoopGuardLine));
}

TEST_F(ExecuteRunningFlag, ReleaseStopsTheAsyncBodiesOfTheRun) {
  // The body ticks every millisecond for five seconds unless the run is released.
  run({declare("ticks", integer(0)),
       async({loop(binary(name("ticks"), TokenKind::lessThan, integer(5000)),
                   {increment("ticks"), send("self", "wait:", real(0.001f))}),
              declare("late", integer(1))})});
  ASSERT_TRUE(eventually([&] { return intVariable("ticks") > 0; }));
  run({send("tb303", "release")});
  evaluator->waitForAsyncBodies();
  EXPECT_LT(intVariable("ticks"), 5000);
  EXPECT_FALSE(variable("late"));
  // The stopped loop's condition kept holding, so its guard ends it.
  EXPECT_THAT(lines(), ElementsAre(kLoopGuardLine));
}

}  // namespace
}  // namespace quarn
