#include "host/pattern_render.h"

#include <cmath>
#include <memory>
#include <vector>

#include "host/audio_engine_module.h"
#include "host/wave_out_file.h"

namespace {
constexpr int kTicksPerBar = 96;
constexpr double kRecordStartTick = 7680.0; // 80 bars
} // namespace

ODRenderPlan PlanPatternRender(const TAudioEngineModule& engine, int preRollBars, int recordBars) {
    const double spt = engine.context.samplesPerTick.load();
    ODRenderPlan plan{};
    plan.recordFrames = static_cast<long>(recordBars * kTicksPerBar * spt);
    if (preRollBars <= 0) {
        plan.preRollFrames = 0;
        plan.startTick = 0.0;
    } else {
        const long p = static_cast<long>(preRollBars * kTicksPerBar * spt);
        // Whole chunks, one more than fit.
        plan.preRollFrames = (p / ODRenderChunkFrames) * ODRenderChunkFrames + ODRenderChunkFrames;
        plan.startTick = kRecordStartTick - plan.preRollFrames / spt;
    }
    return plan;
}

ODRenderStatus RenderPattern(TAudioEngineModule& engine, const std::string& path, int preRollBars,
                             int recordBars, const std::function<bool(double)>& progress) {
    MGDynSigContext& ctx = engine.context;
    const ODRenderPlan plan = PlanPatternRender(engine, preRollBars, recordBars);
    const long unplannedP =
        preRollBars > 0 ? static_cast<long>(preRollBars * kTicksPerBar * ctx.samplesPerTick.load())
                        : 0;
    const long steps = std::max(1L, (unplannedP + plan.recordFrames) / ODRenderChunkFrames);
    double done = 0.0;
    auto advance = [&] {
        done += 1.0 / static_cast<double>(steps);
        return !progress || progress(std::min(done, 1.0));
    };

    std::vector<short> chunk(2 * static_cast<size_t>(ODRenderChunkFrames));
    const bool wasRunning = ctx.clockRunning.load();
    const double wholeTick = std::ceil(ctx.tickPosition.load());
    ctx.clockRunning = true;

    ODRenderStatus status = ODRenderStatus::Ok;
    ctx.tickPosition = plan.startTick;
    for (long c = 0; c < plan.preRollFrames / ODRenderChunkFrames; ++c) {
        engine.OutStreamFillBuffer(nullptr, chunk.data(), ODRenderChunkFrames);
        if (!advance()) {
            status = ODRenderStatus::Cancelled;
            break;
        }
    }

    if (status == ODRenderStatus::Ok) {
        auto file = std::make_unique<ODWaveOutFile>(path, 44100, 2, true);
        if (!file->IsOpen()) {
            status = ODRenderStatus::FileError;
        } else {
            long written = 0;
            while (written < plan.recordFrames) {
                const int n = static_cast<int>(
                    std::min<long>(ODRenderChunkFrames, plan.recordFrames - written));
                engine.OutStreamFillBuffer(nullptr, chunk.data(), ODRenderChunkFrames);
                if (file->Write(chunk.data(), n) < n) {
                    status = ODRenderStatus::WriteError;
                    break;
                }
                written += n;
                if (n == ODRenderChunkFrames && !advance()) {
                    status = ODRenderStatus::Cancelled;
                    break;
                }
            }
            if (!file->Finalise() && status == ODRenderStatus::Ok)
                status = ODRenderStatus::WriteError;
        }
    }

    if (wasRunning) {
        ctx.tickPosition = wholeTick;
    } else {
        ctx.clockRunning = false;
        ctx.tickPosition = 0.0;
    }
    return status;
}
