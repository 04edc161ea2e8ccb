// async bodies: run beside the main flow on queue workers, share the run's one
// scope, keep what they need alive, and are all counted by waitForAsyncBodies.
#include "ExecuteTestSupport.h"


namespace quarn {
namespace {

using namespace build;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ExecuteAsync = RunFixture;

// while (!flag) { [self wait:0.001]; }  (bools compare as 0 with ==, so negate)
NodePtr awaitFlag(const std::string& flag) {
  return loop(makeNode(UnaryOpNode{Token::make(TokenKind::logicalNot), name(flag)}), {send("self", "wait:", real(0.001f))});
}
NodePtr awaitGo() { return awaitFlag("go"); }

TEST_F(ExecuteAsync, ADeclarationInAnAsyncBodyIsSeenByTheMainFlowOnceItRan) {
  run({declare("go", boolean(false)), async({awaitGo(), declare("shared", integer(7))}),
       // the body cannot have declared it yet: it waits for go
       declare("early", name("shared")), assign("go", boolean(true))});
  evaluator->waitForAsyncBodies();
  EXPECT_EQ(variable("early")->kind(), ValueKind::none);
  EXPECT_EQ(intVariable("shared"), 7);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Reference error: undefined identifier 'shared'"));
}

TEST_F(ExecuteAsync, BodiesRunBesideEachOtherAndTheMainFlow) {
  // Each body waits for the next one's flag; only parallel bodies can finish.
  run({declare("go", boolean(false)), declare("a", boolean(false)), declare("b", boolean(false)),
       async({awaitGo(), assign("a", boolean(true))}),
       async({awaitFlag("a"), assign("b", boolean(true))}),
       assign("go", boolean(true))});
  evaluator->waitForAsyncBodies();
  EXPECT_TRUE(variable("b")->asBool());
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(ExecuteAsync, WaitingCoversNestedBodies) {
  run({async({async({send("self", "wait:", real(0.05f)), declare("inner", integer(1))}), declare("outer", integer(1))})});
  evaluator->waitForAsyncBodies();
  EXPECT_EQ(intVariable("outer"), 1);
  EXPECT_EQ(intVariable("inner"), 1);
}

TEST_F(ExecuteAsync, ABodyOutlivesTheTreeAndTheCallersEvaluator) {
  auto environment = std::make_shared<Environment>();
  std::weak_ptr<Evaluator> weak;
  {
    auto transient = std::make_shared<Evaluator>(engine, environment);
    weak = transient;
    NodePtr statement = async({send("self", "wait:", real(0.05f)), declare("v", integer(1))});
    transient->execute(*statement);
  }  // tree and caller's reference gone while the body still waits
  ASSERT_TRUE(eventually([&] { return environment->get("v").has_value(); }));
  EXPECT_TRUE(eventually([&] { return weak.expired(); }));
}

}  // namespace
}  // namespace quarn
