#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <utility>

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

// The order and the limited outlets as the recursive definition of the walk
// gives them, from scratch.
struct ReferenceOrder {
    std::vector<MGDynSigPipe*> order;
    std::vector<std::pair<MGDynSigPipe*, int>> limited;
};

void ReferenceVisit(MGDynSigPipe* p, std::set<MGDynSigPipe*>& seen,
                    std::set<MGDynSigPipe*>& onPath, ReferenceOrder& r) {
    seen.insert(p);
    onPath.insert(p);
    for (const MGDynSigPipe::Inlet& in : p->inlets) {
        if (in.signal == &MGSilentSignal)
            continue;
        if (seen.count(in.source) == 0) {
            ReferenceVisit(in.source, seen, onPath, r);
        } else if (onPath.count(in.source) != 0) {
            const std::pair<MGDynSigPipe*, int> key{in.source, in.sourceOutlet};
            if (std::find(r.limited.begin(), r.limited.end(), key) == r.limited.end())
                r.limited.push_back(key);
        }
    }
    r.order.push_back(p);
    onPath.erase(p);
}

ReferenceOrder Reference(const MGDynSigContext& ctx) {
    ReferenceOrder r;
    std::set<MGDynSigPipe*> seen, onPath;
    for (MGDynSigPipe* t : ctx.terminalPipes)
        ReferenceVisit(t, seen, onPath, r);
    return r;
}

std::vector<std::pair<MGDynSigPipe*, int>> Limited(const MGDynSigContext& ctx) {
    std::vector<std::pair<MGDynSigPipe*, int>> result;
    for (const MGDynSigContext::OutletLimiter* l : ctx.limiters)
        result.emplace_back(l->pipe, l->outlet);
    return result;
}

TEST(MGDynSigContextOrder, MatchesTheRecursiveWalkOnVariedGraphs) {
    // Fan-in, fan-out, self loops, cycles through several pipes, pipes that
    // lead nowhere, one or two terminal pipes.
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        MGDynSigContext ctx;
        std::vector<TestPipe*> pipes;
        const int terminals = 1 + below(2);
        for (int t = 0; t < terminals; ++t)
            new TestPipe("out", 1 + below(3), 0, nullptr, &ctx);
        const int count = 1 + below(40);
        for (int i = 0; i < count; ++i)
            pipes.push_back(new TestPipe("p", below(4), 1 + below(2), nullptr, &ctx));
        std::vector<MGDynSigPipe*> all(ctx.allPipes);
        // Denser graphs for some seeds, sparse ones for others.
        const int percent = 30 + below(70);
        for (MGDynSigPipe* target : all)
            for (int inlet = 0; inlet < target->InletCount(); ++inlet)
                if (below(100) < percent) {
                    TestPipe* source = pipes[static_cast<size_t>(below(count))];
                    ASSERT_TRUE(ctx.Connect(source, below(source->OutletCount()), target, inlet,
                                            true));
                }
        ctx.UpdateOrder();
        const ReferenceOrder expected = Reference(ctx);
        ASSERT_EQ(ctx.updateList, expected.order) << "seed " << seed;
        ASSERT_EQ(Limited(ctx), expected.limited) << "seed " << seed;

        // Another pass finds the same cycles and keeps their limiters.
        const std::vector<MGDynSigContext::OutletLimiter*> before = ctx.limiters;
        ctx.UpdateOrder();
        ASSERT_EQ(ctx.updateList, expected.order) << "seed " << seed;
        ASSERT_EQ(ctx.limiters, before) << "seed " << seed;
    }
}

// A pipe that passes its inlet's block on without a block of its own, so
// that a very long chain costs little memory.
class WirePipe : public MGSignalProcessor {
public:
    WirePipe(MGDynSigContext* context, int* processed)
        : MGSignalProcessor(context, 1, 1), processed(processed) {}
    void Process() override { ++*processed; }
    int* processed;
};

TEST(MGDynSigContextOrder, ChainOfTwoHundredThousandPipesIsOrderedAndProcessed) {
    constexpr int kLength = 200000;
    int processed = 0;
    MGDynSigContext ctx;
    auto* out = new TestPipe("out", 1, 0, nullptr, &ctx);
    auto* source = new TestPipe("source", 0, 1, nullptr, &ctx);
    source->constant = 0.5f;
    std::vector<MGDynSigPipe*> chain{source};
    for (int i = 0; i < kLength; ++i) {
        auto* wire = new WirePipe(&ctx, &processed);
        ASSERT_TRUE(ctx.Connect(chain.back(), 0, wire, 0, true));
        chain.push_back(wire);
    }
    // The one connection that reaches the output orders the whole chain.
    ASSERT_TRUE(ctx.Connect(chain.back(), 0, out, 0, true));
    chain.push_back(out);
    ASSERT_EQ(ctx.updateList, chain);

    ctx.ProcessBlock();
    EXPECT_EQ(processed, kLength);
    EXPECT_EQ((*out->inlets[0].signal)[0], 0.0f) << "wires pass no block of their own";
    EXPECT_EQ(source->outs[0][0], 0.5f);
    // A loop around the whole chain: its limiter sits on the outlet that
    // closes it.
    auto* mix = new TestPipe("mix", 2, 1, nullptr, &ctx);
    ASSERT_TRUE(ctx.Connect(mix, 0, chain[1], 0, true));
    ASSERT_TRUE(ctx.Connect(source, 0, mix, 0, true));
    ASSERT_TRUE(ctx.Connect(chain[chain.size() - 2], 0, mix, 1, true));
    ASSERT_EQ(ctx.limiters.size(), 1u);
    EXPECT_EQ(ctx.limiters[0]->pipe, chain[chain.size() - 2]);
    EXPECT_EQ(ctx.updateList.size(), static_cast<size_t>(kLength) + 3);
}

// Builds out <- a <- b <- c with b -> a closing a cycle, connections made
// from the output backwards, which reorders after each of them.
struct BackwardsChain {
    std::vector<std::string> log;
    MGDynSigContext ctx;
    TestPipe* out = new TestPipe("out", 1, 0, &log, &ctx);
    TestPipe* a = new TestPipe("A", 2, 1, &log, &ctx);
    TestPipe* b = new TestPipe("B", 1, 1, &log, &ctx);
    TestPipe* c = new TestPipe("C", 0, 1, &log, &ctx);

    void Connect() {
        ASSERT_TRUE(ctx.Connect(a, 0, out, 0, true));
        ASSERT_TRUE(ctx.Connect(b, 0, a, 0, true));
        ASSERT_TRUE(ctx.Connect(c, 0, b, 0, true));
        ASSERT_TRUE(ctx.Connect(b, 0, a, 1, true));
        ASSERT_TRUE(ctx.Connect(a, 0, b, 0, true));
    }
};

TEST(MGDynSigContextBatch, OrdersOnceWhenItEndsAsEachChangeWouldHave) {
    BackwardsChain direct;
    direct.Connect();

    BackwardsChain batched;
    const int generation = batched.ctx.generation;
    {
        MGDynSigContext::Batch batch(batched.ctx);
        batched.Connect();
        EXPECT_EQ(batched.ctx.generation, generation) << "held back";
        EXPECT_EQ(batched.ctx.updateList, Pipes({batched.out}));
    }
    EXPECT_EQ(batched.ctx.generation, generation + 1);
    direct.ctx.ProcessBlock();
    batched.ctx.ProcessBlock();
    EXPECT_EQ(batched.log, direct.log);
    EXPECT_EQ(batched.log, (std::vector<std::string>{"B", "A", "out"}));
    ASSERT_EQ(batched.ctx.limiters.size(), 1u);
    EXPECT_EQ(batched.ctx.limiters[0]->pipe, batched.a);

    // Nested batches order once, at the end of the outer one, and the
    // cycle that is still there keeps its limiter; a batch of changes that
    // need no reordering does none.
    MGDynSigContext::OutletLimiter* limiter = batched.ctx.limiters[0];
    {
        MGDynSigContext::Batch outer(batched.ctx);
        {
            MGDynSigContext::Batch inner(batched.ctx);
            ASSERT_TRUE(batched.ctx.Connect(batched.c, 0, batched.a, 1, true));
        }
        EXPECT_EQ(batched.ctx.generation, generation + 1);
    }
    EXPECT_EQ(batched.ctx.generation, generation + 2);
    EXPECT_EQ(batched.ctx.updateList, Pipes({batched.b, batched.c, batched.a, batched.out}));
    EXPECT_EQ(batched.ctx.limiters, std::vector<MGDynSigContext::OutletLimiter*>{limiter});
    const int settled = batched.ctx.generation;
    {
        MGDynSigContext::Batch batch(batched.ctx);
        auto* d = new TestPipe("D", 1, 1, nullptr, &batched.ctx);
        auto* e = new TestPipe("E", 0, 1, nullptr, &batched.ctx);
        ASSERT_TRUE(batched.ctx.Connect(e, 0, d, 0, true));
    }
    EXPECT_EQ(batched.ctx.generation, settled);
}

TEST(MGDynSigContextBatch, PipeOnALimitedCycleMayGoWhileTheOrderWaits) {
    BackwardsChain chain;
    chain.Connect();
    ASSERT_EQ(chain.ctx.limiters.size(), 1u);
    {
        MGDynSigContext::Batch batch(chain.ctx);
        delete chain.a; // the limited pipe
        EXPECT_TRUE(chain.ctx.limiters.empty());
        chain.ctx.ProcessBlock(); // only pipes that are still there
    }
    EXPECT_EQ(chain.ctx.updateList, Pipes({chain.out}));
    EXPECT_TRUE(chain.ctx.limiters.empty());
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
