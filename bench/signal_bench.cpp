// The graph core's own cost: ProcessBlock over pass-through processors in a
// chain and fanned into one summing processor, and the interpolated read.

#include <vector>

#include <benchmark/benchmark.h>

#include "signal/context.h"
#include "signal/interpolation.h"

namespace {

class PassThrough : public MGSignalProcessor {
public:
    explicit PassThrough(MGDynSigContext* c, int inlets = 1) : MGSignalProcessor(c, inlets, 1) {
        SetOutletSignal(0, &out);
    }
    void Process() override { out = *inlets[0].signal; }
    MGSignal out;
};

// Sums all of its inlets, as a buss does.
class Summer : public PassThrough {
public:
    Summer(MGDynSigContext* c, int inlets) : PassThrough(c, inlets) {}
    void Process() override {
        out = MGSilentSignal;
        for (const Inlet& in : inlets)
            if (in.signal != &MGSilentSignal)
                out += *in.signal;
    }
};

class Sink : public MGSignalProcessor {
public:
    explicit Sink(MGDynSigContext* c) : MGSignalProcessor(c, 2, 0) {}
    void Process() override { benchmark::DoNotOptimize(inlets[0].signal->samples[0]); }
};

void ReportPerProcessor(benchmark::State& state, int processors) {
    state.counters["ns_per_processor"] = benchmark::Counter(
        static_cast<double>(processors),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    // x-real-time: one block is 256 / 44100 s of sound.
    state.counters["x_real_time"] = benchmark::Counter(
        MGBlockSize / MGSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ProcessBlockChain(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    MGDynSigContext ctx;
    auto* sink = new Sink(&ctx);
    MGDynSigPipe* previous = nullptr;
    for (int i = 0; i < n; ++i) {
        auto* p = new PassThrough(&ctx);
        if (previous != nullptr)
            ctx.Connect(previous, 0, p, 0, true);
        previous = p;
    }
    ctx.Connect(previous, 0, sink, 0, true);
    for (auto _ : state)
        ctx.ProcessBlock();
    ReportPerProcessor(state, n);
}

void BM_ProcessBlockFan(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    MGDynSigContext ctx;
    auto* sink = new Sink(&ctx);
    auto* sum = new Summer(&ctx, n);
    ctx.Connect(sum, 0, sink, 0, true);
    for (int i = 0; i < n; ++i)
        ctx.Connect(new PassThrough(&ctx), 0, sum, i, true);
    for (auto _ : state)
        ctx.ProcessBlock();
    ReportPerProcessor(state, n);
}

BENCHMARK(BM_ProcessBlockChain)->Arg(1)->Arg(64)->Arg(1024);
BENCHMARK(BM_ProcessBlockFan)->Arg(1)->Arg(64)->Arg(1024);

void BM_InterpLookup(benchmark::State& state) {
    constexpr int N = 4096;
    std::vector<float> table(N + 1);
    for (int i = 0; i < N; ++i)
        table[static_cast<size_t>(i)] = static_cast<float>(i % 97) / 97.0f;
    table[N] = table[0];
    MGSignal out;
    float phase = 0.0f;
    const float step = 37.3f;
    for (auto _ : state) {
        // An oscillator's loop: advance, wrap, read.
        for (int i = 0; i < MGBlockSize; ++i) {
            phase += step;
            if (phase > N)
                phase -= N;
            out[i] = MGInterpLookup(table.data(), phase);
        }
        benchmark::DoNotOptimize(out.samples);
    }
    state.SetItemsProcessed(state.iterations() * MGBlockSize);
}
BENCHMARK(BM_InterpLookup);

} // namespace
