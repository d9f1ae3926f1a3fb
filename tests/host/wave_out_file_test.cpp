#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <gtest/gtest.h>

#include "host/wave_out_file.h"
#include "signal/wave_file_info.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::uint32_t Le32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

class WaveOutFileTest : public ::testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("ondrafel_wof_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Path(const char* name) const { return (dir / name).string(); }

    static Bytes Slurp(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    static void Spit(const std::string& path, const Bytes& b) {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    static std::vector<std::int16_t> Ramp(int frames, int start = 0) {
        std::vector<std::int16_t> v(static_cast<size_t>(frames) * 2);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = static_cast<std::int16_t>(start + static_cast<int>(i));
        return v;
    }
};

TEST_F(WaveOutFileTest, NewFileHasTheHeaderAndCorrectLengthsAfterEveryWrite) {
    const std::string path = Path("new.wav");
    ODWaveOutFile w(path, 44100, 2, true);
    ASSERT_TRUE(w.IsOpen());
    EXPECT_EQ(w.riffSizePos, 4);
    EXPECT_EQ(w.dataSizePos, 40);
    EXPECT_EQ(w.dataStartPos, 44);

    const Bytes expected = {'R', 'I', 'F',  'F',  36,  0,   0,    0,    'W', 'A', 'V',
                            'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                            2,   0,   0x44, 0xAC, 0,   0,   0x10, 0xB1, 2,   0,   4,
                            0,   16,  0,    'd',  'a', 't', 'a',  0,    0,   0,   0};
    EXPECT_EQ(Slurp(path), expected);

    const auto samples = Ramp(1000);
    EXPECT_EQ(w.Write(samples.data(), 1000), 1000);
    // Without Finalise: a reader that comes now (or after a crash) sees the take.
    Bytes now = Slurp(path);
    ASSERT_EQ(now.size(), 44u + 4000);
    EXPECT_EQ(Le32(now, 4), 4036u);
    EXPECT_EQ(Le32(now, 40), 4000u);
    WaveFileInfo info;
    ReadWaveFileInfo(path, info);
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.frames, 1000u);
    EXPECT_EQ(w.position, 1000);
    EXPECT_EQ(w.length, 1000);
}

TEST_F(WaveOutFileTest, RenderLengthsOfOneBarAtTheDefaultTempo) {
    const std::string path = Path("bar.wav");
    {
        ODWaveOutFile w(path, 44100, 2, true);
        std::vector<std::int16_t> chunk(32768 * 2, 5);
        EXPECT_EQ(w.Write(chunk.data(), 32768), 32768);
        EXPECT_EQ(w.Write(chunk.data(), 32768), 32768);
        EXPECT_EQ(w.Write(chunk.data(), 88200 - 65536), 22664);
    }
    const Bytes b = Slurp(path);
    EXPECT_EQ(Le32(b, 40), 352800u);
    EXPECT_EQ(Le32(b, 4), 352836u);
}

TEST_F(WaveOutFileTest, ExistingCompatibleFileKeepsItsDataAndIsOverwrittenInPlace) {
    const std::string path = Path("old.wav");
    {
        ODWaveOutFile w(path, 44100, 2, true);
        const auto s = Ramp(100);
        w.Write(s.data(), 100);
    }
    ODWaveOutFile w(path, 44100, 2, false);
    ASSERT_TRUE(w.IsOpen());
    EXPECT_EQ(w.length, 100);
    EXPECT_EQ(w.position, 0);
    const auto ten = Ramp(10, 5000);
    EXPECT_EQ(w.Write(ten.data(), 10), 10);
    EXPECT_EQ(w.length, 100);

    std::vector<std::int16_t> back(200 * 2, 99);
    w.Seek(0);
    EXPECT_EQ(w.Read(back.data(), 200), 100) << "past the end: fewer frames";
    EXPECT_EQ(back[0], 5000);
    EXPECT_EQ(back[19], 5019);
    EXPECT_EQ(back[20], 20) << "frames after the first ten are the old ones";
    EXPECT_EQ(back[199], 199);
    EXPECT_EQ(back[200], 0) << "the rest of the request is zero-filled";
    EXPECT_EQ(back[399], 0);
    EXPECT_EQ(w.position, 100);

    w.Seek(500);
    EXPECT_EQ(w.position, 100) << "seek clamps to the length";
    w.Restart();
    EXPECT_EQ(w.length, 0);
    EXPECT_EQ(Slurp(path).size(), 44u);
}

TEST_F(WaveOutFileTest, FilesOfAnotherFormatAreNeverTouched) {
    struct Case {
        const char* name;
        int rate, channels;
    };
    const std::string stereo = Path("stereo.wav");
    {
        ODWaveOutFile w(stereo, 44100, 2, true);
        auto s = Ramp(4);
        w.Write(s.data(), 4);
    }
    const std::string text = Path("notes.wav");
    Spit(text, Bytes{'h', 'e', 'l', 'l', 'o'});
    const std::string odd = Path("odd.wav");
    // A fmt chunk of 18 bytes (as some writers make): not the format we write.
    Bytes b = Slurp(stereo);
    b[16] = 18;
    b.insert(b.begin() + 36, {0, 0});
    Spit(odd, b);

    const Case cases[] = {{"mono requested", 44100, 1}, {"other rate", 22050, 2}};
    for (const Case& c : cases) {
        const Bytes before = Slurp(stereo);
        ODWaveOutFile w(stereo, c.rate, c.channels, false);
        EXPECT_FALSE(w.IsOpen()) << c.name;
        EXPECT_EQ(Slurp(stereo), before) << c.name;
    }
    for (const std::string& path : {text, odd}) {
        const Bytes before = Slurp(path);
        {
            ODWaveOutFile w(path, 44100, 2, false);
            EXPECT_FALSE(w.IsOpen()) << path;
        }
        EXPECT_EQ(Slurp(path), before) << path;
    }
    ODWaveOutFile nowhere(Path("no/such/dir/x.wav"), 44100, 2, false);
    EXPECT_FALSE(nowhere.IsOpen());
}

TEST_F(WaveOutFileTest, LyingHeadersAreReadWithinTheFile) {
    const std::string path = Path("liar.wav");
    {
        ODWaveOutFile w(path, 44100, 2, true);
        auto s = Ramp(50);
        w.Write(s.data(), 50);
    }
    Bytes b = Slurp(path);
    b[40] = b[41] = b[42] = b[43] = 0xFF; // data size far beyond the end
    Spit(path, b);
    ODWaveOutFile w(path, 44100, 2, false);
    ASSERT_TRUE(w.IsOpen());
    EXPECT_EQ(w.length, 50);
    std::vector<std::int16_t> back(60 * 2);
    EXPECT_EQ(w.Read(back.data(), 60), 50);

    // A chunk before "fmt " whose size runs past the end: rejected, no hang.
    Bytes c = Slurp(path);
    Bytes junk = {'J', 'U', 'N', 'K', 0xF0, 0xFF, 0xFF, 0x7F};
    c.insert(c.begin() + 12, junk.begin(), junk.end());
    const std::string path2 = Path("junk.wav");
    Spit(path2, c);
    ODWaveOutFile j(path2, 44100, 2, false);
    EXPECT_FALSE(j.IsOpen());
}

TEST_F(WaveOutFileTest, AFailedWriteIsReportedAndTheHeaderMatchesWhatIsThere) {
    const std::string path = Path("full.wav");
    ODWaveOutFile w(path, 44100, 2, true);
    ASSERT_TRUE(w.IsOpen());
    // Stand in for a full disk: the file may not grow past 44 + 1000 bytes.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1044;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto s = Ramp(1000);
    const int written = w.Write(s.data(), 1000);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(written, 250);
    EXPECT_TRUE(w.Failed());
    EXPECT_EQ(w.ErrorNumber(), EFBIG) << "the system's reason is kept for the message";
    EXPECT_EQ(w.length, 250);
    const Bytes b = Slurp(path);
    EXPECT_EQ(Le32(b, 40), 1000u);
    EXPECT_EQ(Le32(b, 4), 1036u);

    // The device that is always full: creation fails, the object is dead.
    ODWaveOutFile full("/dev/full", 44100, 2, true);
    EXPECT_FALSE(full.IsOpen());
}

TEST_F(WaveOutFileTest, AFileThatCannotBeUsedKeepsTheSystemsReason) {
    const std::string text = Path("notes.wav");
    Spit(text, Bytes{'h', 'e', 'l', 'l', 'o'});
    std::filesystem::create_directories(dir / "folder.wav");
    const struct {
        std::string path;
        bool truncate;
        int error;
    } cases[] = {
        {Path("no/such/dir/x.wav"), false, ENOENT},
        {Path("no/such/dir/x.wav"), true, ENOENT},
        {Path("folder.wav"), false, EISDIR},
        {"/dev/full", true, ENOSPC}, // opens, but the header finds no room
        {text, false, 0},            // another format: nothing the system refused
        {Path("fine.wav"), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ODWaveOutFile w(c.path, 44100, 2, c.truncate);
        EXPECT_EQ(w.ErrorNumber(), c.error);
        EXPECT_EQ(w.IsOpen(), c.path == Path("fine.wav"));
    }
}

} // namespace
