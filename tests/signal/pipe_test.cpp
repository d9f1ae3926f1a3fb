#include <gtest/gtest.h>

#include "signal/context.h"
#include "test_pipes.h"

namespace {

// A pipe that never assigns its outlet signals.
class BarePipe : public MGDynSigPipe {
public:
    BarePipe(int inlets, int outlets) : MGDynSigPipe(nullptr, inlets, outlets) {}
    void Process() override {}
};

TEST(MGDynSigPipe, NewPipeReadsSilenceAndOffersTheDefaultSignal) {
    BarePipe p(2, 3);
    EXPECT_EQ(p.InletCount(), 2);
    EXPECT_EQ(p.OutletCount(), 3);
    EXPECT_EQ(p.context, nullptr);
    EXPECT_EQ(p.visitMark, 0);
    EXPECT_FALSE(p.visiting);
    for (const auto& in : p.inlets) {
        EXPECT_EQ(in.signal, &MGSilentSignal);
        EXPECT_EQ(in.source, nullptr);
        EXPECT_EQ(in.sourceOutlet, -1);
        EXPECT_EQ((*in.signal)[MGBlockSize - 1], 0.0f);
    }
    for (const auto& out : p.outlets) {
        EXPECT_EQ(out.signal, &MGDefaultOutletSignal);
        EXPECT_TRUE(out.inletRefs.empty());
    }
}

TEST(MGDynSigPipe, SetOutletSignalHandsTheSignalToEveryConsumer) {
    MGDynSigContext ctx;
    auto* src = new TestPipe("src", 0, 1, nullptr, &ctx);
    auto* a = new TestPipe("a", 2, 1, nullptr, &ctx);
    auto* b = new TestPipe("b", 3, 1, nullptr, &ctx);
    ASSERT_TRUE(ctx.Connect(src, 0, a, 1, true));
    ASSERT_TRUE(ctx.Connect(src, 0, b, 2, true));
    a->changes.clear();
    b->changes.clear();

    MGSignal other(0.5f);
    src->SetOutletSignal(0, &other);

    EXPECT_EQ(src->outlets[0].signal, &other);
    EXPECT_EQ(a->inlets[1].signal, &other);
    EXPECT_EQ(b->inlets[2].signal, &other);
    EXPECT_EQ(a->changes, std::vector<int>{1});
    EXPECT_EQ(b->changes, std::vector<int>{2});
    src->SetOutletSignal(0, &src->outs[0]); // `other` goes out of scope first
}

TEST(MGDynSigPipe, DestroyingAPipeLeavesNoReferenceToIt) {
    MGDynSigContext ctx;
    auto* out = new TestPipe("out", 2, 0, nullptr, &ctx);
    auto* a = new TestPipe("a", 0, 1, nullptr, &ctx);
    auto* mid = new TestPipe("mid", 2, 2, nullptr, &ctx);
    auto* c = new TestPipe("c", 1, 1, nullptr, &ctx);
    ASSERT_TRUE(ctx.Connect(a, 0, mid, 0, true));
    ASSERT_TRUE(ctx.Connect(c, 0, mid, 1, true));
    ASSERT_TRUE(ctx.Connect(mid, 0, out, 0, true));
    ASSERT_TRUE(ctx.Connect(mid, 1, out, 1, true));
    ASSERT_TRUE(ctx.Connect(mid, 1, c, 0, true));
    out->changes.clear();
    c->changes.clear();

    delete mid;

    for (auto* p : {a, c}) {
        for (const auto& o : p->outlets)
            EXPECT_TRUE(o.inletRefs.empty());
    }
    for (auto* p : {out, c}) {
        for (const auto& in : p->inlets) {
            EXPECT_EQ(in.source, nullptr);
            EXPECT_EQ(in.signal, &MGSilentSignal);
        }
    }
    EXPECT_EQ(out->changes, (std::vector<int>{0, 1}));
    EXPECT_EQ(c->changes, std::vector<int>{0});
    for (auto* list : {&ctx.allPipes, &ctx.updateList})
        EXPECT_EQ(std::count(list->begin(), list->end(), mid), 0);
    EXPECT_EQ(ctx.updateList, Pipes({out}));
}

TEST(MGDynSigPipe, SetContextMovesThePipeAndDropsItsConnections) {
    MGDynSigContext ctx, other;
    auto* out = new TestPipe("out", 1, 0, nullptr, &ctx);
    auto* gen = new TestPipe("gen", 0, 1);
    EXPECT_FALSE(ctx.Connect(gen, 0, out, 0, true)) << "a pipe outside the context";
    gen->SetContext(&ctx);
    gen->SetContext(&ctx); // same context: nothing happens
    EXPECT_EQ(std::count(ctx.allPipes.begin(), ctx.allPipes.end(), gen), 1);
    ASSERT_TRUE(ctx.Connect(gen, 0, out, 0, true));
    EXPECT_EQ(ctx.updateList, Pipes({gen, out}));

    gen->SetContext(&other);
    EXPECT_EQ(gen->context, &other);
    EXPECT_EQ(out->inlets[0].source, nullptr);
    EXPECT_TRUE(gen->outlets[0].inletRefs.empty());
    EXPECT_EQ(ctx.updateList, Pipes({out}));
    EXPECT_EQ(ctx.allPipes, Pipes({out}));
    EXPECT_EQ(other.allPipes, Pipes({gen}));
}

TEST(MGSignalProcessor, StartsWithTheEmptyPropertyInfo) {
    TestPipe p("p", 1, 1);
    EXPECT_EQ(p.propertyList.info, &MGPropertyList::emptyInfo);
    p.InitPropertyInfo();
    EXPECT_EQ(p.propertyList.info->count, 0);
}

} // namespace
