#pragma once

// Small patches in a real signal context for the processor tests: sources
// whose blocks the test writes, a terminal sink that makes the context
// process what is wired to it, and a fake engine for the makers.

#include <cmath>
#include <utility>

#include "framework/contraption_engine.h"
#include "signal/context.h"
#include "signal/pipe.h"

// Its outlet carries whatever the test writes into `out`.
class TestSource : public MGSignalProcessor {
public:
    MGSignal out;

    explicit TestSource(const MGSignal& block) : MGSignalProcessor(nullptr, 0, 1), out(block) {
        SetOutletSignal(0, &out);
    }
    void Process() override {}
};

// A pipe without outlets: the root of the processing order.
class TestSink : public MGSignalProcessor {
public:
    explicit TestSink(int inlets) : MGSignalProcessor(nullptr, inlets, 0) {}
    void Process() override {}
};

class TestPatch {
public:
    // Owns every pipe added to it.
    MGDynSigContext context;

    // A new processor, with its property Info, in the context.
    template <class P, class... Args> P& Add(Args&&... args) {
        P* p = new P(std::forward<Args>(args)...);
        p->InitPropertyInfo();
        p->SetContext(&context);
        return *p;
    }

    TestSource& Source(const MGSignal& block) { return Add<TestSource>(block); }

    bool Connect(MGDynSigPipe& from, int outlet, MGDynSigPipe& to, int inlet) {
        return context.Connect(&from, outlet, &to, inlet, false);
    }

    // Wires every outlet of `p` into a new sink, so that blocks process it.
    void Listen(MGDynSigPipe& p) {
        TestSink& sink = Add<TestSink>(p.OutletCount());
        for (int k = 0; k < p.OutletCount(); ++k)
            Connect(p, k, sink, k);
    }

    void Run(int blocks = 1) {
        for (int i = 0; i < blocks; ++i)
            context.ProcessBlock();
    }
};

class FakeEngine : public TContraptionEngine {
public:
    MGDynSigContext context;

    MGDynSigContext& Context() override { return context; }
    void LockGraph() override {}
    void UnlockGraph() override {}
    void SetContraptionsModified(bool) override {}
};

inline const MGSignal& Out(const MGDynSigPipe& p, int outlet) {
    return *p.outlets[static_cast<size_t>(outlet)].signal;
}

// A block that differs from sample to sample and from one `seed` to the
// next, so sums and copies can be checked bit for bit.
inline MGSignal Wiggle(int seed) {
    MGSignal s;
    for (int i = 0; i < MGBlockSize; ++i)
        s[i] = static_cast<float>(std::sin(0.05 * i + seed) * (seed + 1));
    return s;
}
