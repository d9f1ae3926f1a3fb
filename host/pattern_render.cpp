#include "host/pattern_render.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "host/audio_engine_module.h"
#include "host/wave_out_file.h"
#include "platform/files/atomic_file.h"

namespace {
constexpr int kTicksPerBar = 96;
constexpr double kRecordStartTick = 7680.0; // 80 bars

// A failure the system gave no number for is still an I/O error to the user.
std::string SystemReason(int error) {
    return std::strerror(error != 0 ? error : EIO);
}
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

std::string ODRenderErrorText(const std::string& path, const std::string& reason) {
    return std::string(ODRenderErrorMessage) + path + ": " + reason;
}

ODRenderStatus RenderPattern(TAudioEngineModule& engine, const std::string& path, int preRollBars,
                             int recordBars, const std::function<bool(double)>& progress,
                             std::string* reason) {
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
    const auto fail = [reason](ODRenderStatus status, const std::string& why) {
        if (reason != nullptr)
            *reason = why;
        return status;
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
        VXAtomicFile target(path);
        auto file = target.IsOpen()
                        ? std::make_unique<ODWaveOutFile>(target.TemporaryPath(), 44100, 2, true)
                        : nullptr;
        if (!target.IsOpen()) {
            status = fail(ODRenderStatus::FileError, target.ErrorText());
        } else if (!file->IsOpen()) {
            status = fail(ODRenderStatus::FileError, SystemReason(file->ErrorNumber()));
        } else {
            long written = 0;
            while (written < plan.recordFrames) {
                const int n = static_cast<int>(
                    std::min<long>(ODRenderChunkFrames, plan.recordFrames - written));
                engine.OutStreamFillBuffer(nullptr, chunk.data(), ODRenderChunkFrames);
                if (file->Write(chunk.data(), n) < n) {
                    status = fail(ODRenderStatus::WriteError, SystemReason(file->ErrorNumber()));
                    break;
                }
                written += n;
                if (n == ODRenderChunkFrames && !advance()) {
                    status = ODRenderStatus::Cancelled;
                    break;
                }
            }
            if (status == ODRenderStatus::Ok && !file->Finalise())
                status = fail(ODRenderStatus::WriteError, SystemReason(file->ErrorNumber()));
            file.reset();
            // Whatever did not complete goes with the temporary (the
            // target's destructor).
            if (status == ODRenderStatus::Ok && !target.Commit())
                status = fail(ODRenderStatus::WriteError, target.ErrorText());
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
