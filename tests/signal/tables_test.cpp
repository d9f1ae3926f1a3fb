#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "signal/function_table.h"
#include "signal/ranged_table.h"
#include "signal/wave_file_info.h"

namespace {

TEST(MGFunctionTable, StartsSilentAndAddsSinePartials) {
    MGFunctionTable t(1024);
    for (std::uint32_t i = 0; i <= 1024; ++i)
        ASSERT_EQ(t.data[i], 0.0f);

    t.AddSine(1, 1, 0, 0);
    EXPECT_EQ(t.data[0], 0.0f);
    EXPECT_NEAR(t.data[256], 1.0f, 1e-6f);
    EXPECT_NEAR(t.data[512], 0.0f, 1e-6f);
    EXPECT_NEAR(t.data[768], -1.0f, 1e-6f);
    EXPECT_EQ(t.data[1024], t.data[0]);

    MGFunctionTable cosine(1024);
    cosine.AddSine(1, 1, 90, 0);
    EXPECT_NEAR(cosine.data[0], 1.0f, 1e-6f);

    MGFunctionTable lfo(1024);
    lfo.AddSine(1, 0.5f, 0, 0.5f);
    lfo.AddSine(0, 0, 0, 0.25f); // the offset accumulates per call
    EXPECT_NEAR(lfo.data[0], 0.75f, 1e-6f);
    EXPECT_NEAR(lfo.data[256], 1.25f, 1e-6f);
}

TEST(MGFunctionTable, NormalizeScalesThePeak) {
    MGFunctionTable zero(64);
    zero.Normalize(0.55f);
    for (std::uint32_t i = 0; i <= 64; ++i)
        EXPECT_EQ(zero.data[i], 0.0f);

    MGFunctionTable square(1024);
    for (int k = 1; k <= 339; k += 2)
        square.AddSine(static_cast<float>(k), 1.0f / k, 0, 0);
    square.Normalize(0.55f);
    float peak = 0.0f;
    for (std::uint32_t i = 0; i < 1024; ++i)
        peak = std::max(peak, std::fabs(square.data[i]));
    EXPECT_NEAR(peak, 0.55f, 1e-7f);
    EXPECT_EQ(square.data[1024], square.data[0]);
}

TEST(MGFunctionTable, PanCurveAndRangedLookup) {
    MGFunctionTable pan(1024);
    pan.MakePanCurve();
    EXPECT_NEAR(pan.data[0], 1.0f, 1e-6f);
    EXPECT_NEAR(pan.data[256], 1.2071f, 1e-4f);
    EXPECT_NEAR(pan.data[512], 1.0f, 1e-6f);
    EXPECT_NEAR(pan.data[1024], 0.0f, 1e-6f);

    const MGRangedTable r(0.0, 1.0, &pan);
    EXPECT_DOUBLE_EQ(r.step, 1.0 / 1024);
    struct Case {
        double v;
        float expected;
    };
    const Case cases[] = {{0.0, 1.0f}, {0.5, 1.0f},     {1.0, 0.0f},         {-0.1, 1.0f},
                          {1.3, 0.0f}, {0.25, 1.2071f}, {std::nan(""), 1.0f}};
    for (const Case& c : cases)
        EXPECT_NEAR(r.Lookup(c.v), c.expected, 1e-4f) << c.v;
}

TEST(MGOscillator, ReadsTheTableInOrderAndWrapsStrictly) {
    MGFunctionTable t(1024);
    for (std::uint32_t i = 0; i < 1024; ++i)
        t.data[i] = static_cast<float>(i);
    t.data[1024] = t.data[0];
    MGOscillator osc(&t);
    EXPECT_EQ(osc.phase, 0.0);
    EXPECT_EQ(osc.increment, 1.0);
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(osc.Tick(), static_cast<float>(i));
    EXPECT_EQ(osc.phase, 1024.0) << "exactly N before wrapping";
    EXPECT_EQ(osc.Tick(), 0.0f) << "the guard entry";
    EXPECT_EQ(osc.phase, 1.0);

    osc.SetPhase(0.0);
    EXPECT_EQ(osc.phase, 0.0);
    osc.SetPhase(1.0);
    EXPECT_EQ(osc.phase, 1024.0);
    osc.SetPhase(2.25);
    EXPECT_EQ(osc.phase, 256.0);
}

TEST(MGOscillator, BadIncrementsNeverReadOutsideTheTable) {
    MGFunctionTable t(16);
    t.AddSine(1, 1, 0, 0);
    MGOscillator osc(&t);
    const double increments[] = {5000.5, 16.0 * 3, -3.0, std::nan(""), INFINITY};
    for (double inc : increments) {
        osc.increment = inc;
        for (int i = 0; i < 10; ++i) {
            const float v = osc.Tick();
            ASSERT_TRUE(v >= -1.0f && v <= 1.0f) << inc;
            ASSERT_TRUE(osc.phase >= 0.0 && osc.phase <= 16.0) << inc;
        }
    }
    // Several table lengths per step land where repeated subtraction would.
    osc.phase = 0.0;
    osc.increment = 16.0 * 2 + 0.5;
    osc.Tick();
    EXPECT_EQ(osc.phase, 0.5);
    osc.phase = 0.0;
    osc.increment = 32.0;
    osc.Tick();
    EXPECT_EQ(osc.phase, 16.0);
}

// Writes a RIFF file from chunks given as (id, bytes).
class WaveFiles : public ::testing::Test {
protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("ondrafel_wave_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    using Bytes = std::vector<unsigned char>;
    static void Put16(Bytes& b, unsigned v) {
        b.push_back(v & 0xFF);
        b.push_back((v >> 8) & 0xFF);
    }
    static void Put32(Bytes& b, std::uint32_t v) {
        Put16(b, v & 0xFFFF);
        Put16(b, v >> 16);
    }
    static Bytes Fmt(unsigned tag, unsigned channels, unsigned rate, unsigned bits) {
        Bytes b;
        Put16(b, tag);
        Put16(b, channels);
        Put32(b, rate);
        Put32(b, rate * channels * bits / 8);
        Put16(b, channels * bits / 8);
        Put16(b, bits);
        return b;
    }
    static Bytes Samples(const std::vector<int>& s) {
        Bytes b;
        for (int v : s)
            Put16(b, static_cast<unsigned>(v) & 0xFFFF);
        return b;
    }
    std::string Write(const char* name, std::vector<std::pair<std::string, Bytes>> chunks,
                      const char* form = "WAVE", std::uint32_t dataSizeOverride = 0) {
        Bytes body(form, form + 4);
        for (auto& [id, data] : chunks) {
            body.insert(body.end(), id.begin(), id.end());
            Put32(body, id == "data" && dataSizeOverride ? dataSizeOverride
                                                         : static_cast<std::uint32_t>(data.size()));
            body.insert(body.end(), data.begin(), data.end());
            if (data.size() & 1)
                body.push_back(0);
        }
        Bytes file{'R', 'I', 'F', 'F'};
        Put32(file, static_cast<std::uint32_t>(body.size()));
        file.insert(file.end(), body.begin(), body.end());
        const std::string path = (dir / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        return path;
    }
};

TEST_F(WaveFiles, ProbeAcceptsOnly16BitPcmWithFormatBeforeData) {
    const Bytes odd{1, 2, 3}; // an odd-sized chunk before the format: padded
    const std::string good = Write(
        "good.wav",
        {{"LIST", odd}, {"fmt ", Fmt(1, 2, 22050, 16)}, {"data", Samples({1, 2, 3, 4, 5, 6})}});
    WaveFileInfo info;
    ReadWaveFileInfo(good, info);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.sampleRate, 22050.0);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 3u);
    EXPECT_EQ(info.dataOffset, 12u + 8 + 4 + 8 + 16 + 8);

    struct Case {
        const char* name;
        std::string path;
    };
    const Case bad[] = {
        {"empty name", ""},
        {"missing file", (dir / "none.wav").string()},
        {"8 bits", Write("b8.wav", {{"fmt ", Fmt(1, 1, 44100, 8)}, {"data", Samples({1})}})},
        {"24 bits", Write("b24.wav", {{"fmt ", Fmt(1, 1, 44100, 24)}, {"data", Samples({1})}})},
        {"float format", Write("f.wav", {{"fmt ", Fmt(3, 1, 44100, 16)}, {"data", Samples({1})}})},
        {"not WAVE",
         Write("avi.wav", {{"fmt ", Fmt(1, 1, 44100, 16)}, {"data", Samples({1})}}, "AVI ")},
        {"no fmt", Write("nofmt.wav", {{"data", Samples({1})}})},
        {"data before fmt",
         Write("order.wav", {{"data", Samples({1})}, {"fmt ", Fmt(1, 1, 44100, 16)}})},
        {"no channels", Write("ch0.wav", {{"fmt ", Fmt(1, 0, 44100, 16)}, {"data", Samples({1})}})},
        {"short fmt", Write("short.wav", {{"fmt ", Bytes{1, 0, 1, 0}}, {"data", Samples({1})}})},
    };
    for (const Case& c : bad) {
        WaveFileInfo i;
        i.valid = true;
        ReadWaveFileInfo(c.path, i);
        EXPECT_FALSE(i.valid) << c.name;
    }
}

TEST_F(WaveFiles, DataSizeIsCutToWhatTheFileHolds) {
    // A recorder that died before it could write the final size leaves one
    // that claims far more than is there.
    const std::string path =
        Write("cut.wav", {{"fmt ", Fmt(1, 1, 44100, 16)}, {"data", Samples({7, 8, 9})}}, "WAVE",
              0xFFFFFFF0u);
    WaveFileInfo info;
    ReadWaveFileInfo(path, info);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.frames, 3u);
}

TEST_F(WaveFiles, LoadWaveConvertsMonoAndStereoAndSilencesTheRest) {
    const std::string mono =
        Write("m.wav", {{"fmt ", Fmt(1, 1, 44100, 16)}, {"data", Samples({16384, -32768, 1})}});
    MGFunctionTable t(8);
    t.AddSine(1, 1, 0, 0);
    WaveFileInfo info;
    t.LoadWave(mono, &info);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(t.data[0], 0.5f);
    EXPECT_EQ(t.data[1], -1.0f);
    EXPECT_EQ(t.data[2], 1.0f / 32768);
    for (std::uint32_t j = 3; j <= 8; ++j)
        EXPECT_EQ(t.data[j], 0.0f) << j;

    std::vector<int> loud(2 * 10, 32767);
    const std::string stereo =
        Write("s.wav", {{"fmt ", Fmt(1, 2, 44100, 16)}, {"data", Samples(loud)}});
    MGFunctionTable s(8);
    s.data[8] = 0.125f;
    s.LoadWave(stereo);
    for (std::uint32_t j = 0; j < 8; ++j)
        EXPECT_NEAR(s.data[j], 32767.0f / 32768 * 2 * 0.76f, 1e-6f);
    EXPECT_EQ(s.data[8], 0.125f) << "a full table keeps its guard entry";

    // Files that fail the probe, or have more than two channels, change nothing.
    const std::string b8 =
        Write("b8.wav", {{"fmt ", Fmt(1, 1, 44100, 8)}, {"data", Samples({1, 2})}});
    const std::string quad =
        Write("q.wav", {{"fmt ", Fmt(1, 4, 44100, 16)}, {"data", Samples(loud)}});
    for (const std::string& path : {b8, quad}) {
        MGFunctionTable u(4);
        u.AddSine(1, 1, 90, 0);
        const float before = u.data[0];
        u.LoadWave(path);
        EXPECT_EQ(u.data[0], before) << path;
    }
}


TEST_F(WaveFiles, ProbeSaysWhyItRefusesAFile) {
    const std::vector<int> samples(2 * 8, 100);
    struct Case {
        const char* name;
        std::string path;
        WaveFileProblem problem;
    };
    const Case cases[] = {
        {"empty name", "", WaveFileProblem::NoName},
        {"missing file", (dir / "none.wav").string(), WaveFileProblem::CannotOpen},
        {"directory", dir.string(), WaveFileProblem::NotARegularFile},
        {"8 bits", Write("b8.wav", {{"fmt ", Fmt(1, 1, 44100, 8)}, {"data", Samples({1})}}),
         WaveFileProblem::NotPcm16Wave},
        {"no data", Write("nodata.wav", {{"fmt ", Fmt(1, 1, 44100, 16)}}),
         WaveFileProblem::NotPcm16Wave},
        {"no channels", Write("ch0.wav", {{"fmt ", Fmt(1, 0, 44100, 16)}, {"data", Samples({1})}}),
         WaveFileProblem::BadChannelCount},
        // More channels than samples in a reader's half buffer: not one
        // frame would fit, and playback never moved on.
        {"65535 channels",
         Write("wide.wav", {{"fmt ", Fmt(1, 65535, 44100, 16)}, {"data", Samples(samples)}}),
         WaveFileProblem::BadChannelCount},
        {"9 channels",
         Write("ch9.wav", {{"fmt ", Fmt(1, 9, 44100, 16)}, {"data", Samples(samples)}}),
         WaveFileProblem::BadChannelCount},
    };
    for (const Case& c : cases) {
        WaveFileInfo info;
        info.valid = true;
        ReadWaveFileInfo(c.path, info);
        EXPECT_FALSE(info.valid) << c.name;
        EXPECT_EQ(info.problem, c.problem) << c.name;
        EXPECT_FALSE(WaveFileProblemText(info).empty()) << c.name;
    }
    WaveFileInfo missing;
    ReadWaveFileInfo((dir / "none.wav").string(), missing);
    EXPECT_EQ(missing.systemError, ENOENT);
    WaveFileInfo wide;
    ReadWaveFileInfo((dir / "wide.wav").string(), wide);
    EXPECT_NE(WaveFileProblemText(wide).find("65535"), std::string::npos);

    // Seven-one surround is the most that is read.
    const std::string eight =
        Write("ch8.wav", {{"fmt ", Fmt(1, 8, 44100, 16)}, {"data", Samples(samples)}});
    WaveFileInfo info;
    ReadWaveFileInfo(eight, info);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.problem, WaveFileProblem::None);
    EXPECT_EQ(info.channels, 8);
    EXPECT_EQ(info.frames, 2u);
    EXPECT_EQ(WaveFileProblemText(info), "");
}

TEST_F(WaveFiles, ProbeOfAFifoNeitherWaitsForAWriterNorReadsIt) {
    const std::string fifo = (dir / "pipe.wav").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Were the probe to open the FIFO for reading in the ordinary way, it
    // would wait there for a writer. This one comes after a while, so that
    // such a probe fails the test rather than hangs it.
    std::atomic<bool> probed{false};
    std::thread writer([&] {
        for (int i = 0; i < 100 && !probed; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!probed) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    });
    WaveFileInfo info;
    ReadWaveFileInfo(fifo, info);
    probed = true;
    writer.join();
    EXPECT_FALSE(info.valid);
    EXPECT_EQ(info.problem, WaveFileProblem::NotARegularFile);
    EXPECT_EQ(WaveFileProblemText(info), "not a regular file");

    MGFunctionTable table(4);
    table.AddSine(1, 1, 90, 0);
    const float before = table.data[0];
    table.LoadWave(fifo);
    EXPECT_EQ(table.data[0], before);
}

} // namespace
