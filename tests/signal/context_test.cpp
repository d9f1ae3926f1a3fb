#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "signal/context.h"
#include "test_pipes.h"

namespace {

// A context holding the terminal pipe `out` (two inlets, like the sound
// output); the context owns and destroys every pipe made with Make().
class ContextTest : public ::testing::Test {
protected:
    MGDynSigContext ctx;
    std::vector<std::string> log;
    TestPipe* out = Make("out", 2, 0);

    TestPipe* Make(const char* name, int inlets, int outlets) {
        return new TestPipe(name, inlets, outlets, &log, &ctx);
    }
};

TEST_F(ContextTest, EmptyContextProcessesOnlyTheTerminalPipe) {
    EXPECT_EQ(ctx.updateList, Pipes({out}));
    EXPECT_EQ(ctx.terminalPipes, Pipes({out}));
    EXPECT_EQ(out->visitMark, ctx.generation);
    ctx.ProcessBlock();
    EXPECT_EQ(log, std::vector<std::string>{"out"});
}

TEST_F(ContextTest, ChainAndSecondSourceAreOrderedAfterWhatFeedsThem) {
    auto* a = Make("A", 1, 1);
    auto* b = Make("B", 1, 1);
    auto* c = Make("C", 0, 1);
    EXPECT_EQ(a->visitMark, ctx.generation - 1) << "not processed until a pass reaches it";
    ASSERT_TRUE(ctx.Connect(b, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, b, 0, true));
    EXPECT_EQ(ctx.updateList, Pipes({a, b, out}));
    ASSERT_TRUE(ctx.Connect(c, 0, out, 1, true));
    EXPECT_EQ(ctx.updateList, Pipes({a, b, c, out}));

    a->constant = 0.25f;
    c->constant = 0.5f;
    ctx.ProcessBlock();
    EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "C", "out"}));
    EXPECT_EQ(b->outs[0][17], 0.25f);
    EXPECT_EQ((*out->inlets[1].signal)[200], 0.5f);
}

TEST_F(ContextTest, PipesWithoutPathToTheOutputAreNotProcessed) {
    auto* d = Make("D", 0, 1);
    auto* e = Make("E", 1, 1);
    const int generation = ctx.generation;
    ASSERT_TRUE(ctx.Connect(d, 0, e, 0, true));
    EXPECT_EQ(ctx.generation, generation) << "connecting into an unprocessed pipe reorders nothing";
    EXPECT_EQ(ctx.updateList, Pipes({out}));
    ctx.ProcessBlock();
    EXPECT_EQ(log, std::vector<std::string>{"out"});

    // Once it leads to the output it is processed; losing the path drops it.
    ASSERT_TRUE(ctx.Connect(e, 0, out, 0, true));
    EXPECT_EQ(ctx.updateList, Pipes({d, e, out}));
    ASSERT_TRUE(ctx.Disconnect(e, 0, out, 0));
    EXPECT_EQ(ctx.updateList, Pipes({out}));
}

TEST_F(ContextTest, CycleGetsOneLimiterOnTheOutletThatClosesIt) {
    auto* a = Make("A", 1, 1);
    auto* b = Make("B", 1, 1);
    ASSERT_TRUE(ctx.Connect(b, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, b, 0, true));
    ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
    EXPECT_EQ(ctx.updateList, Pipes({a, b, out}));
    ASSERT_EQ(ctx.limiters.size(), 1u);
    EXPECT_EQ(ctx.limiters[0]->pipe, b);
    EXPECT_EQ(ctx.limiters[0]->outlet, 0);
    EXPECT_EQ(ctx.FindLimiter(b, 0), ctx.limiters[0]);
    EXPECT_TRUE(ctx.spareLimiters.empty());

    // A second consumer closing the same cycle does not add a limiter.
    auto* c = Make("C", 1, 1);
    ASSERT_TRUE(ctx.Connect(b, 0, c, 0, true));
    ASSERT_TRUE(ctx.Connect(c, 0, out, 1, true));
    EXPECT_EQ(ctx.limiters.size(), 1u);
}

TEST_F(ContextTest, SelfLoopIsLimited) {
    auto* a = Make("A", 1, 1);
    ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, a, 0, true));
    EXPECT_EQ(ctx.updateList, Pipes({a, out}));
    ASSERT_EQ(ctx.limiters.size(), 1u);
    EXPECT_EQ(ctx.limiters[0]->pipe, a);
}

TEST_F(ContextTest, FeedbackLoopCarriesOneBlockOfDelay) {
    auto* a = Make("A", 1, 1);
    auto* b = Make("B", 1, 1);
    ASSERT_TRUE(ctx.Connect(b, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, b, 0, true));
    ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
    a->constant = 0.125f;
    for (int block = 0; block < 4; ++block) {
        const MGSignal previous = b->outs[0]; // as the limiter left it
        ctx.ProcessBlock();
        for (int i : {0, 100, MGBlockSize - 1})
            EXPECT_EQ(a->outs[0][i], 0.125f + previous[i]) << "block " << block;
    }
}

TEST_F(ContextTest, LimiterSurvivesAnUnrelatedReorderAndIsRenewedWhenItsCycleReturns) {
    auto* a = Make("A", 1, 1);
    auto* b = Make("B", 1, 1);
    ASSERT_TRUE(ctx.Connect(b, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, b, 0, true));
    ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
    ASSERT_EQ(ctx.limiters.size(), 1u);
    MGDynSigContext::OutletLimiter* limiter = ctx.limiters[0];
    limiter->gain = 0.5f;
    limiter->gainStep = 0.001f;
    limiter->stage = MGDynSigContext::OutletLimiter::Hold;
    limiter->countdown = 17;
    limiter->dcBlocker.x1 = 0.25f;
    limiter->dcBlocker.y1 = -0.75f;
    limiter->noise.seed = 424242;

    auto* c = Make("C", 0, 1);
    const int generation = ctx.generation;
    ASSERT_TRUE(ctx.Connect(c, 0, out, 1, true));
    ASSERT_GT(ctx.generation, generation);
    ASSERT_EQ(ctx.limiters.size(), 1u);
    EXPECT_EQ(ctx.limiters[0], limiter);
    EXPECT_EQ(limiter->gain, 0.5f);
    EXPECT_EQ(limiter->gainStep, 0.001f);
    EXPECT_EQ(limiter->stage, MGDynSigContext::OutletLimiter::Hold);
    EXPECT_EQ(limiter->countdown, 17);
    EXPECT_EQ(limiter->dcBlocker.x1, 0.25f);
    EXPECT_EQ(limiter->dcBlocker.y1, -0.75f);
    EXPECT_EQ(limiter->noise.seed, 424242);

    // Breaking the cycle leaves the order valid; the next pass drops the limiter.
    ASSERT_TRUE(ctx.Disconnect(b, 0, a, 0));
    ctx.UpdateOrder();
    EXPECT_TRUE(ctx.limiters.empty());
    EXPECT_EQ(ctx.updateList, Pipes({a, b, c, out}));

    ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
    ASSERT_EQ(ctx.limiters.size(), 1u);
    const auto* fresh = ctx.limiters[0];
    EXPECT_EQ(fresh->gain, 1.0f);
    EXPECT_EQ(fresh->stage, MGDynSigContext::OutletLimiter::Idle);
    EXPECT_EQ(fresh->countdown, 0);
    EXPECT_EQ(fresh->dcBlocker.y1, 0.0f);
    EXPECT_EQ(fresh->noise.offset, MGNoiseSource::kAntiDenormalOffset);
    EXPECT_EQ(fresh->noise.scale, MGNoiseSource::kAntiDenormalScale);
}

TEST_F(ContextTest, ConnectWithAndWithoutReplace) {
    auto* a = Make("A", 0, 1);
    auto* b = Make("B", 0, 1);
    ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
    out->changes.clear();
    const int generation = ctx.generation;

    EXPECT_FALSE(ctx.Connect(b, 0, out, 0, false));
    EXPECT_EQ(out->inlets[0].source, a);
    EXPECT_EQ(a->outlets[0].inletRefs.size(), 1u);
    EXPECT_TRUE(b->outlets[0].inletRefs.empty());
    EXPECT_TRUE(out->changes.empty());
    EXPECT_EQ(ctx.generation, generation);

    EXPECT_TRUE(ctx.Connect(b, 0, out, 0, true));
    EXPECT_EQ(out->inlets[0].source, b);
    EXPECT_EQ(out->inlets[0].sourceOutlet, 0);
    EXPECT_EQ(out->inlets[0].signal, b->outlets[0].signal);
    EXPECT_TRUE(a->outlets[0].inletRefs.empty());
    ASSERT_EQ(b->outlets[0].inletRefs.size(), 1u);
    EXPECT_EQ(b->outlets[0].inletRefs[0].pipe, out);
    EXPECT_EQ(out->changes, (std::vector<int>{0, 0})) << "disconnected, then connected";
    EXPECT_EQ(ctx.updateList, Pipes({b, out}));
}

TEST_F(ContextTest, InvalidConnectionsAndDisconnectionsChangeNothing) {
    auto* a = Make("A", 1, 2);
    auto* b = Make("B", 1, 1);
    ASSERT_TRUE(ctx.Connect(a, 1, out, 0, true));
    out->changes.clear();
    const int generation = ctx.generation;

    struct Case {
        const char* name;
        bool result;
    };
    const Case cases[] = {
        {"outlet out of range", ctx.Connect(a, 2, b, 0, true)},
        {"negative outlet", ctx.Connect(a, -1, b, 0, true)},
        {"inlet out of range", ctx.Connect(a, 0, out, 2, true)},
        {"null source", ctx.Connect(nullptr, 0, out, 1, true)},
        {"never connected", ctx.Disconnect(b, 0, out, 0)},
        {"wrong outlet", ctx.Disconnect(a, 0, out, 0)},
        {"wrong inlet", ctx.Disconnect(a, 1, out, 1)},
        {"inlet out of range", ctx.Disconnect(a, 1, out, 5)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(c.result) << c.name;
    EXPECT_EQ(ctx.generation, generation);
    EXPECT_EQ(out->inlets[0].source, a);
    EXPECT_EQ(out->inlets[0].sourceOutlet, 1);
    EXPECT_EQ(a->outlets[1].inletRefs.size(), 1u);
    EXPECT_TRUE(out->changes.empty());
    EXPECT_TRUE(b->changes.empty());
}

TEST_F(ContextTest, DisconnectKeepsTheOrderOfTheRemainingReferences) {
    auto* a = Make("A", 0, 1);
    auto* p = Make("P", 1, 1);
    auto* q = Make("Q", 1, 1);
    ASSERT_TRUE(ctx.Connect(a, 0, p, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(a, 0, q, 0, true));
    ASSERT_TRUE(ctx.Disconnect(a, 0, out, 0));
    const auto& refs = a->outlets[0].inletRefs;
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0].pipe, p);
    EXPECT_EQ(refs[1].pipe, q);
}

TEST_F(ContextTest, RemovingTheTerminalPipeEmptiesTheOrder) {
    auto* a = Make("A", 0, 1);
    ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
    delete out;
    EXPECT_TRUE(ctx.terminalPipes.empty());
    EXPECT_TRUE(ctx.updateList.empty());
    EXPECT_EQ(ctx.allPipes, Pipes({a}));
    EXPECT_TRUE(a->outlets[0].inletRefs.empty());
}

TEST_F(ContextTest, ClockAdvancesOnlyWhileRunning) {
    EXPECT_EQ(ctx.samplesPerTick, 918.75);
    ctx.ProcessBlock();
    EXPECT_EQ(ctx.tickPosition, 0.0);
    ctx.clockRunning = true;
    ctx.ProcessBlock();
    ctx.ProcessBlock();
    EXPECT_DOUBLE_EQ(ctx.tickPosition, 2 * 256 / 918.75);
    ctx.clockRunning = false;
    ctx.ProcessBlock();
    EXPECT_DOUBLE_EQ(ctx.tickPosition, 2 * 256 / 918.75);
    // 60 bpm: 24 ticks per second.
    ctx.samplesPerTick = MGSampleRate / (60 * 24 / 60.0);
    ctx.tickPosition = 0.0;
    ctx.clockRunning = true;
    for (int i = 0; i < 1000; ++i)
        ctx.ProcessBlock();
    EXPECT_NEAR(ctx.tickPosition, 1000 * 256 / 1837.5, 1e-9);
}

TEST_F(ContextTest, DumpListsPipesTerminalsAndOrder) {
    auto* a = Make("A", 0, 1);
    ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
    std::ostringstream s, outAddr, aAddr;
    ctx.Dump(s);
    outAddr << static_cast<const void*>(out);
    aAddr << static_cast<const void*>(a);
    const std::string o = "\tTestPipe\t [ " + outAddr.str() + " ]\n";
    const std::string x = "\tTestPipe\t [ " + aAddr.str() + " ]\n";
    EXPECT_EQ(s.str(), "All Pipes:\n" + o + x + "Terminal Pipes:\n" + o + "Update List:\n" + x + o);
}

// Pipes that note their own destruction in a shared list.
class DyingPipe : public TestPipe {
public:
    DyingPipe(const char* n, int i, int o, std::vector<std::string>* died, MGDynSigContext* c)
        : TestPipe(n, i, o, nullptr, c), died(died) {}
    ~DyingPipe() override { died->push_back(name); }
    std::vector<std::string>* died;
};

TEST(MGDynSigContextLifetime, DestroyingAConnectedGraphVisitsNoDestroyedPipe) {
    std::vector<std::string> died;
    {
        MGDynSigContext ctx;
        auto* out = new DyingPipe("out", 2, 0, &died, &ctx);
        auto* a = new DyingPipe("A", 2, 2, &died, &ctx);
        auto* b = new DyingPipe("B", 1, 1, &died, &ctx);
        auto* c = new DyingPipe("C", 1, 1, &died, &ctx);
        ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
        ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
        ASSERT_TRUE(ctx.Connect(a, 1, b, 0, true));
        ASSERT_TRUE(ctx.Connect(c, 0, a, 1, true));
        ASSERT_TRUE(ctx.Connect(a, 1, c, 0, true));
        ASSERT_TRUE(ctx.Connect(a, 0, out, 1, true));
        ASSERT_EQ(ctx.limiters.size(), 1u);
    }
    // Last registered first; the sanitizer build catches any visit of a
    // destroyed pipe on the way.
    EXPECT_EQ(died, (std::vector<std::string>{"C", "B", "A", "out"}));
}

} // namespace
