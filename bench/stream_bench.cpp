// The output stream under the smallest setting the program offers: 2
// buffers of 2048 bytes (11.6 ms each) on the paced null device, with a
// fill handler that computes for about half a buffer's time. It reports the
// underruns and the load as the main window reads it (every 50 ms: the mean
// and the largest reading). Run it with the other processor core busy; the
// argument is the number of seconds to play.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include <benchmark/benchmark.h>

#include "host/wave_out_stream.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_OutStreamOnNullDevice(benchmark::State& state) {
    const auto playFor = std::chrono::seconds(state.range(0));
    for (auto _ : state) {
        VXWaveOutStream stream;
        const auto& names = stream.DeviceNames();
        const auto null = std::find(names.begin(), names.end(), "No audio device");
        if (null == names.end()) {
            state.SkipWithError("no null device");
            return;
        }
        stream.SetDevice(static_cast<int>(null - names.begin()));
        stream.SetBuffers(2, 2048);

        const auto work = std::chrono::nanoseconds(
            static_cast<long long>(512 / 44100.0 * 0.5 * 1e9)); // half a buffer
        long fills = 0;
        float phase = 0.0f;
        stream.OnFillBuffer = [&](VXWaveOutStream*, short* buffer, int frames) {
            const Clock::time_point until = Clock::now() + work;
            do {
                for (int i = 0; i < frames; ++i) {
                    phase += 0.0627f;
                    if (phase > 6.2831853f)
                        phase -= 6.2831853f;
                    const auto v = static_cast<short>(std::sin(phase) * 8000.0f);
                    buffer[2 * i] = v;
                    buffer[2 * i + 1] = v;
                }
            } while (Clock::now() < until);
            ++fills;
            return frames / 256;
        };

        double loadSum = 0.0;
        double loadMax = 0.0;
        long readings = 0;
        stream.Start();
        const Clock::time_point end = Clock::now() + playFor;
        while (Clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const double load = stream.Load();
            loadSum += load;
            loadMax = std::max(loadMax, load);
            ++readings;
        }
        const int underruns = stream.Underruns();
        stream.Stop();

        state.counters["underruns"] = underruns;
        state.counters["load_mean"] = readings > 0 ? loadSum / static_cast<double>(readings) : 0.0;
        state.counters["load_max"] = loadMax;
        state.counters["buffers"] = static_cast<double>(fills);
    }
}

BENCHMARK(BM_OutStreamOnNullDevice)
    ->Arg(60)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
