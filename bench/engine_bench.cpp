// The engine cycle offline, as the pattern render runs it: a graph of 256
// processors (seventeen chains of fifteen, fanned into one summing processor)
// into the sound output, 4096 frames per call. The same graph with empty
// Process bodies measures what the engine itself costs: ordering, calls,
// limiter-free dispatch, 16-bit conversion, meters.

#include <vector>

#include <benchmark/benchmark.h>

#include "framework/contraption_factory.h"
#include "host/audio_engine_module.h"
#include "host/sound_out.h"
#include "platform/audio/scripted_audio.h"

namespace {

template <bool Work> class Gain : public MGSignalProcessor {
public:
    explicit Gain(MGDynSigContext* c, int inlets = 1) : MGSignalProcessor(c, inlets, 1) {
        SetOutletSignal(0, &out);
    }
    void Process() override {
        if constexpr (Work) {
            out = MGSilentSignal;
            for (const Inlet& in : inlets)
                out += *in.signal * 0.99f;
            out += 0.001f;
        }
    }
    MGSignal out;
};

template <bool Work> void BM_RenderGraph256(benchmark::State& state) {
    VXScriptedAudioSystem audio;
    TContraptionFactory factory;
    TAudioEngineModule engine(nullptr, audio, &factory);
    MGDynSigContext& ctx = engine.context;
    auto* sum = new Gain<Work>(&ctx, 17);
    ctx.Connect(sum, 0, engine.soundOut, 0, true);
    ctx.Connect(sum, 0, engine.soundOut, 1, true);
    for (int chain = 0; chain < 17; ++chain) {
        MGDynSigPipe* previous = nullptr;
        for (int i = 0; i < 15; ++i) {
            auto* g = new Gain<Work>(&ctx);
            if (previous != nullptr)
                ctx.Connect(previous, 0, g, 0, true);
            previous = g;
        }
        ctx.Connect(previous, 0, sum, chain, true);
    }
    std::vector<short> buffer(2 * 4096);
    for (auto _ : state) {
        engine.OutStreamFillBuffer(nullptr, buffer.data(), 4096);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["x_real_time"] =
        benchmark::Counter(4096 / MGSampleRate, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["processors"] = static_cast<double>(ctx.updateList.size() - 1);
}

BENCHMARK_TEMPLATE(BM_RenderGraph256, true)->Name("BM_RenderGraph256");
BENCHMARK_TEMPLATE(BM_RenderGraph256, false)->Name("BM_RenderGraph256_EmptyProcess");

} // namespace
