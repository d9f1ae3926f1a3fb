// Runs ondrafel-cli as a user would, on the example documents and on
// documents written here, and checks its files, output and exit status.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/wave_out_file.h"

namespace fs = std::filesystem;

namespace {

const std::string kCli = ONDRAFEL_CLI;
const std::string kExamples = ONDRAFEL_EXAMPLES;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("ondrafel_cli_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    struct Result {
        int status;
        std::string out;
        std::string err;
    };

    // Starts the tool with `args`, its output going to files in `dir`.
    pid_t Start(const std::vector<std::string>& args) {
        const std::string out = Path("stdout"), err = Path("stderr");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, STDOUT_FILENO);
            ::dup2(e, STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(kCli.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(kCli.c_str(), argv.data());
            ::_exit(127);
        }
        return pid;
    }

    Result Wait(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                ReadFile(Path("stdout")), ReadFile(Path("stderr"))};
    }

    Result Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
};

std::uint32_t Le32(const std::string& b, size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::vector<std::int16_t> Samples(const std::string& wav) {
    std::vector<std::int16_t> s((wav.size() - 44) / 2);
    std::memcpy(s.data(), wav.data() + 44, s.size() * 2);
    return s;
}

std::string Presets() {
    std::string text = "{ ";
    for (int k = 0; k < 20; ++k)
        text += k > 0 ? ", {  }" : "{  }";
    return text + " }";
}

// TestGen playing noise straight into the sound output.
std::string NoiseDocument() {
    return ".odh 0.5\ntempo:\n\t120\nvisual1:\n\t180\n\t1\n\t1\ncontraptions:\n"
           "\tTestGen\tTestGen_1\t{ 0.5, 440, 0 }\t" +
           Presets() +
           "{ }{ 10 10 F Z Z 0 0 Z Z Z Z  }\t\n\tSoundOut\tSoundOut\t{ \"\", 0, 0, 0, 1000 }\t" +
           Presets() +
           "{ }{ 10 60 F Z Z 0 0 Z Z Z Z  }\t\nconnections:\n"
           "\tTestGen_1\t0\tSoundOut\t0\n\tTestGen_1\t0\tSoundOut\t1\nend\n";
}

// A SoundIn playing `input` into a SoundOut that records to `record`
// ("Action" 2) when it is given. `useFile`: "Use Input File" is on.
std::string SoundDocument(const std::string& input, bool useFile, const std::string& record = "") {
    return ".odh 0.5\ntempo:\n\t120\nvisual1:\n\t180\n\t1\n\t1\ncontraptions:\n"
           "\tSoundIn\tSoundIn\t{ " +
           std::string(useFile ? "0" : "1") + ", \"" + input + "\", 0, 0, 0, 0, 0, 0, 0 }\t" +
           Presets() + "{ }{ 10 10 F Z Z 0 0 Z Z Z Z  }\t\n\tSoundOut\tSoundOut\t{ \"" + record +
           "\", " + (record.empty() ? "0" : "2") + ", 0, 0, 1000 }\t" + Presets() +
           "{ }{ 10 60 F Z Z 0 0 Z Z Z Z  }\t\nconnections:\n"
           "\tSoundIn\t0\tSoundOut\t0\n\tSoundIn\t1\tSoundOut\t1\nend\n";
}

// Frames of constant sound, `value` on both channels.
void WriteInput(const std::string& path, int frames, std::int16_t value) {
    ODWaveOutFile w(path, 44100, 2, true);
    const std::vector<std::int16_t> s(2 * static_cast<size_t>(frames), value);
    w.Write(s.data(), frames);
}

int WavFrames(const std::string& path) {
    ODWaveOutFile w(path, 44100, 2, false);
    return w.IsOpen() ? w.length : -1;
}

TEST_F(CliTest, RenderLengthsFollowBarsAndTempo) {
    const struct {
        std::vector<std::string> options;
        std::uint32_t frames;
    } cases[] = {
        {{}, 88200},
        {{"--bars", "2"}, 176400},
        {{"--preroll", "1"}, 88200},
        {{"--preroll=3", "--bars=3"}, 264600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.empty() ? "defaults" : c.options[0]);
        std::vector<std::string> args = {"render", kExamples + "/tone.odh", "-o", Path("out.wav")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string wav = ReadFile(Path("out.wav"));
        ASSERT_EQ(wav.size(), 44 + 4 * static_cast<size_t>(c.frames));
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(Le32(wav, 4), 36 + 4 * c.frames);
        EXPECT_EQ(Le32(wav, 40), 4 * c.frames);
        // Not on a terminal: no progress bar.
        EXPECT_EQ(r.err, "");
    }

    // At 90 bpm a bar lasts 96 ticks of 44100 / 36 samples.
    std::string slow = ReadFile(kExamples + "/tone.odh");
    slow.replace(slow.find("\t120\n"), 5, "\t90\n");
    const Result r = Run({"render", Write("slow.odh", slow), "-o", Path("slow.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(Path("slow.wav")).size(), 44 + 4 * 117600u);
}

TEST_F(CliTest, ToneExampleRendersA440HzTone) {
    const Result r = Run({"render", kExamples + "/tone.odh", "-o", Path("tone.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::int16_t> s = Samples(ReadFile(Path("tone.wav")));
    ASSERT_EQ(s.size(), 2 * 88200u);
    // The last second, past the fade-in of the volume: left and right
    // alike, loud, and 880 sign changes.
    int crossings = 0, peak = 0;
    for (size_t i = 2 * 44100; i + 2 < s.size(); i += 2) {
        EXPECT_EQ(s[i], s[i + 1]);
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
        crossings += (s[i] < 0) != (s[i + 2] < 0);
    }
    EXPECT_GT(peak, 10000);
    EXPECT_NEAR(crossings, 880, 2);
}

TEST_F(CliTest, ASeedMakesNoiseRepeatable) {
    const std::string doc = Write("noise.odh", NoiseDocument());
    auto render = [&](const std::string& seed, const std::string& name) {
        const Result r = Run({"render", doc, "-o", Path(name), "--seed", seed});
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadFile(Path(name));
    };
    const std::string a = render("7", "a.wav");
    const std::string b = render("7", "b.wav");
    const std::string c = render("8", "c.wav");
    ASSERT_EQ(a.size(), 44 + 4 * 88200u);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
}

TEST_F(CliTest, InfoDescribesTheDocument) {
    const Result r = Run({"info", kExamples + "/tone.odh"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Tempo: 120 bpm\n"
                     "Contraptions: 3\n"
                     "  TestGen_1 (TestGen): 0 in, 1 out\n"
                     "  M2Mixer_1 (M2Mixer): 2 in, 1 out\n"
                     "  SoundOut (SoundOut): 2 in, 0 out\n"
                     "Connections: 3\n"
                     "  TestGen_1 outlet 0 -> M2Mixer_1 inlet 0\n"
                     "  M2Mixer_1 outlet 0 -> SoundOut inlet 0\n"
                     "  M2Mixer_1 outlet 0 -> SoundOut inlet 1\n"
                     "Processing order:\n"
                     "  1. TestGen_1\n"
                     "  2. M2Mixer_1\n"
                     "  3. SoundOut\n");
}

TEST_F(CliTest, ResaveWritesTheSameDocument) {
    for (const char* name : {"tone.odh", "soundout.odh"}) {
        SCOPED_TRACE(name);
        const Result r = Run({"resave", kExamples + "/" + name, Path(name)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(Path(name)), ReadFile(kExamples + "/" + name));
    }
}

TEST_F(CliTest, DevicesAndTypes) {
    const Result devices = Run({"devices"});
    ASSERT_EQ(devices.status, 0) << devices.err;
    EXPECT_EQ(devices.out.rfind("Output devices:\n", 0), 0u);
    EXPECT_NE(devices.out.find("No audio device"), std::string::npos);

    const Result types = Run({"types"});
    ASSERT_EQ(types.status, 0) << types.err;
    EXPECT_EQ(types.out.rfind("SoundIn\tI/O\nTestGen\tSignal Generators\n", 0), 0u);
    EXPECT_NE(types.out.find("\nM2Mixer\tMixers\n"), std::string::npos);
    EXPECT_EQ(types.out.substr(types.out.size() - 13), "SoundOut\tI/O\n");
}

// The number `devices` gives the null device.
int NullDevice(const std::string& devicesOutput) {
    const size_t at = devicesOutput.find("  No audio device\n");
    const size_t start = devicesOutput.rfind("\n  ", at) + 3;
    return std::stoi(devicesOutput.substr(start, at - start));
}

TEST_F(CliTest, PlayRunsForItsSecondsOnTheNullDevice) {
    const int device = NullDevice(Run({"devices"}).out);
    const Result r = Run({"play", kExamples + "/tone.odh", "--device", std::to_string(device),
                          "--seconds", "1.5", "--clock"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("on \"No audio device\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CPU load: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("underruns: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Done."), std::string::npos) << r.out;
}

TEST_F(CliTest, PlayStopsCleanlyOnCtrlC) {
    const int device = NullDevice(Run({"devices"}).out);
    const pid_t pid = Start({"play", kExamples + "/tone.odh", "--device", std::to_string(device)});
    // Wait until it plays (bounded, so a broken tool cannot hang the test).
    for (int i = 0; i < 3000 && ReadFile(Path("stdout")).find("Playing") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGINT);
    const Result r = Wait(pid);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Stopped."), std::string::npos) << r.out;
}

TEST_F(CliTest, FailuresExitWithOneAndTheProgramsMessage) {
    const std::string notDoc = Write("text.odh", "just some text\n");
    const std::string future = Write("future.odh", ".odh 1.0\nend\n");
    const std::string cut = Write("cut.odh", ".odh 0.5\ntempo:\n\t120\n");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"info", Path("missing.odh")}, "Ondrafel: An error occurred while opening the document."},
        {{"info", notDoc}, "Error Reading Document: The specified file is not an Ondrafel"},
        {{"render", future, "-o", Path("x.wav")}, "Error Reading Document: The specified document"},
        {{"resave", cut, Path("cut2.odh")}, "Error Reading Document: The document ends before"},
        {{"render", kExamples + "/tone.odh", "-o", Path("no/dir/x.wav")},
         "Ondrafel: An error occurred while saving the file."},
        {{"resave", kExamples + "/tone.odh", Path("no/dir/x.odh")},
         "Ondrafel: An error occurred while saving the document."},
    };
    // A render that cannot make its file gives the system's reason.
    const Result unwritable = Run({"render", kExamples + "/tone.odh", "-o", Path("no/dir/x.wav")});
    EXPECT_NE(unwritable.err.find(Path("no/dir/x.wav") + ": No such file or directory"),
              std::string::npos)
        << unwritable.err;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    }
    EXPECT_FALSE(fs::exists(Path("cut2.odh")));
    EXPECT_FALSE(fs::exists(Path("x.wav")));
}

TEST_F(CliTest, PlayWithoutSoundOutSaysWhy) {
    std::string empty = ReadFile(kExamples + "/soundout.odh");
    empty.erase(empty.find("\tSoundOut"), empty.find("connections:") - empty.find("\tSoundOut"));
    const Result r = Run({"play", Write("empty.odh", empty), "--seconds", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no SoundOut contraption"), std::string::npos) << r.err;

    // Rendering it has nothing to write either, and says so the same way.
    const Result render = Run({"render", Path("empty.odh"), "-o", Path("silence.wav")});
    EXPECT_EQ(render.status, 1);
    EXPECT_NE(render.err.find("The document has no SoundOut contraption, so there is nothing to "
                              "render."),
              std::string::npos)
        << render.err;
    EXPECT_FALSE(fs::exists(Path("silence.wav")));
}

TEST_F(CliTest, RenderingOverTheDocumentIsRefused) {
    const std::string doc = Write("song.odh", ReadFile(kExamples + "/tone.odh"));
    fs::create_symlink(doc, Path("link.odh"));
    fs::create_hard_link(doc, Path("hard.odh"));
    fs::create_directories(Path("sub"));
    for (const std::string& out :
         {doc, Path("link.odh"), Path("hard.odh"), Path("sub/../song.odh")}) {
        SCOPED_TRACE(out);
        const Result r = Run({"render", doc, "-o", out});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("is the document itself"), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(doc), ReadFile(kExamples + "/tone.odh"));
    }
    // Through a link to the document, the other way round.
    const Result r = Run({"render", Path("link.odh"), "-o", doc});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadFile(doc), ReadFile(kExamples + "/tone.odh"));
}

TEST_F(CliTest, TheSoundInFilePlaysWhenTheDocumentUsesIt) {
    const std::string input = Path("in.wav");
    WriteInput(input, 10000, 8000);
    const struct {
        bool useFile;
        std::vector<std::string> options;
        bool heard;
    } cases[] = {
        {true, {}, true},   {true, {"--play-input"}, true},  {true, {"--no-play-input"}, false},
        {false, {}, false}, {false, {"--play-input"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.useFile ? "file on " : "file off ") +
                     (c.options.empty() ? "" : c.options[0]));
        const std::string doc = Write("in.odh", SoundDocument(input, c.useFile));
        std::vector<std::string> args = {"render", doc, "-o", Path("out.wav")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::int16_t> s = Samples(ReadFile(Path("out.wav")));
        ASSERT_EQ(s.size(), 2 * 88200u);
        // The file from its first frame, then silence after its last.
        EXPECT_EQ(s[0], c.heard ? 7999 : 0);
        EXPECT_EQ(s[2 * 9999 + 1], c.heard ? 7999 : 0);
        EXPECT_EQ(s[2 * 10000], 0);
    }
    const Result both = Run({"render", Write("in.odh", SoundDocument(input, true)), "-o",
                             Path("out.wav"), "--play-input", "--no-play-input"});
    EXPECT_EQ(both.status, 2);
}

TEST_F(CliTest, ASoundInFileThatCannotPlayIsReported) {
    fs::create_directories(Path("folder.wav"));
    Write("text.wav", "not a sound");
    const struct {
        std::string file;
        const char* reason;
    } cases[] = {
        {Path("missing.wav"), "No such file or directory"},
        {Path("folder.wav"), "Is a directory"},
        {Path("text.wav"), "not a 16-bit PCM WAV file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string doc = Write("in.odh", SoundDocument(c.file, true));
        const std::string problem = "\"" + c.file + "\" cannot be played: " + c.reason;
        // Rendering the rest of the patch still works; the input stays silent.
        const Result render = Run({"render", doc, "-o", Path("out.wav")});
        EXPECT_EQ(render.status, 0) << render.err;
        EXPECT_NE(render.err.find(problem), std::string::npos) << render.err;
        // Asked for, it is a failure.
        const Result forced = Run({"render", doc, "-o", Path("forced.wav"), "--play-input"});
        EXPECT_EQ(forced.status, 1);
        EXPECT_NE(forced.err.find(problem), std::string::npos) << forced.err;
        EXPECT_FALSE(fs::exists(Path("forced.wav")));
        const Result info = Run({"info", doc});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find("SoundIn input file: " + c.file +
                                " (cannot be played: " + c.reason + ")\n"),
                  std::string::npos)
            << info.out;
    }
}

TEST_F(CliTest, CommandsThatOnlyReadCreateNoSoundFile) {
    const std::string take = Path("take.wav");
    const std::string doc = Write("rec.odh", SoundDocument("", false, take));
    const Result info = Run({"info", doc});
    EXPECT_EQ(info.status, 0) << info.err;
    const Result resave = Run({"resave", doc, Path("again.odh")});
    EXPECT_EQ(resave.status, 0) << resave.err;
    EXPECT_EQ(ReadFile(Path("again.odh")), ReadFile(doc));
    EXPECT_FALSE(fs::exists(take));
}

// Stopped by its time or by Ctrl-C, the take keeps every frame recorded,
// not only its whole chunks.
TEST_F(CliTest, PlayKeepsTheWholeTakeWhenItStops) {
    const int device = NullDevice(Run({"devices"}).out);
    const std::string input = Path("in.wav");
    WriteInput(input, 44100 * 10, 4000);
    for (const bool interrupt : {false, true}) {
        SCOPED_TRACE(interrupt ? "Ctrl-C" : "--seconds");
        const std::string take = Path("take.wav");
        fs::remove(take);
        const std::string doc = Write("rec.odh", SoundDocument(input, true, take));
        std::vector<std::string> args = {"play", doc, "--device", std::to_string(device)};
        if (!interrupt) {
            args.push_back("--seconds");
            args.push_back("1.2");
        }
        fs::remove(Path("stdout")); // the last run's words must not count as this one's
        const pid_t pid = Start(args);
        if (interrupt) {
            for (int i = 0;
                 i < 3000 && ReadFile(Path("stdout")).find("CPU load") == std::string::npos; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::kill(pid, SIGINT);
        }
        const Result r = Wait(pid);
        ASSERT_EQ(r.status, 0) << r.err;
        const size_t at = r.out.find("Recorded to " + take + ": ");
        ASSERT_NE(at, std::string::npos) << r.out;
        const int said = std::stoi(r.out.substr(at + take.size() + 14));
        EXPECT_GT(said, 44100);
        EXPECT_EQ(said % 256, 0);
        EXPECT_EQ(WavFrames(take), said);
        const std::string wav = ReadFile(take);
        EXPECT_EQ(wav.size(), 44 + 4 * static_cast<size_t>(said));
        EXPECT_EQ(Le32(wav, 40), 4u * static_cast<std::uint32_t>(said));
        // What was recorded is the input file.
        EXPECT_EQ(Samples(wav).back(), 3999);
    }
}

TEST_F(CliTest, PlaySaysWhyTheRecordingFileCannotBeUsed) {
    const int device = NullDevice(Run({"devices"}).out);
    const std::string take = Path("no/dir/take.wav");
    const Result r = Run({"play", Write("rec.odh", SoundDocument("", false, take)), "--device",
                          std::to_string(device), "--seconds", "0.2"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("\"" + take + "\" cannot be used: No such file or directory"),
              std::string::npos)
        << r.err;
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::string tone = kExamples + "/tone.odh";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"dance"},
        {"render", tone},
        {"render", tone, "-o"},
        {"render", tone, "-o", Path("x.wav"), "--bars", "0"},
        {"render", tone, "-o", Path("x.wav"), "--bars", "33"},
        {"render", tone, "-o", Path("x.wav"), "--preroll", "-1"},
        {"render", tone, "-o", Path("x.wav"), "--seed", "many"},
        {"render", tone, "-o", Path("x.wav"), "--loud"},
        {"render", "-o", Path("x.wav")},
        {"play", tone, "--device", "99"},
        {"play", tone, "--seconds", "0"},
        {"play", tone, "--seconds", "1e8"},
        {"info"},
        {"info", tone, tone},
        {"resave", tone},
        {"devices", "extra"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "(nothing)" : args.back());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_NE(r.err, "");
    }
    EXPECT_FALSE(fs::exists(Path("x.wav")));
    // A refused number states what is accepted.
    const Result seconds = Run({"play", tone, "--seconds", "0"});
    EXPECT_NE(seconds.err.find("--seconds must be more than 0 and at most 10000000"),
              std::string::npos)
        << seconds.err;
}

TEST_F(CliTest, EveryCommandHasHelp) {
    for (const char* command : {"render", "play", "info", "resave", "devices", "types"}) {
        SCOPED_TRACE(command);
        const Result r = Run({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("Usage: ondrafel-cli ") + command, 0), 0u) << r.out;
    }
    const Result r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Commands:"), std::string::npos);
}

} // namespace
