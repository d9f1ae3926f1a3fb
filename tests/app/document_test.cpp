#include <algorithm>
#include <csignal>
#include <filesystem>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../host/engine_test_support.h"
#include "app/document_controller.h"
#include "contraptions/generators/test_signal_generator.h"
#include "document_test_support.h"
#include "host/sound_out.h"

namespace fs = std::filesystem;

namespace {

ODTestSignalGenerator& Gen(TQuorlingContraption& c) {
    return *static_cast<ODTestSignalGenerator*>(c.processor);
}

// A patch with every part the file records: tempo, pane layout, a stored
// preset, an open window, a type without a window, the engine's sound
// output, and connections; and the same patch written out by hand.
class RoundTripTest : public ::testing::Test {
protected:
    RecordingMessageBox messages;
    TempDir dir;

    static void Build(TestDocument& d) {
        d.view.SetTempo(119);
        d.engine.context.samplesPerTick = ODSamplesPerTick(119);
        d.view.SetPatcherPaneWidth(250);
        d.view.ShowPanes(true, false);

        TQuorlingContraption& gen = d.Add("TestGen", 40, 30);
        Gen(gen).amplitude.SetValue(0.5);
        Gen(gen).frequency.SetValue(220.0);
        gen.StorePreset(1);
        Gen(gen).amplitude.SetValue(0.25);
        Gen(gen).frequency.SetValue(440.5);
        Gen(gen).waveform.SetValue(0);
        gen.formState->top = 10;
        gen.formState->left = 200;
        gen.ShowForm();

        TQuorlingContraption& buss = d.Add("S2Buss", 140, 30);
        TQuorlingContraption& out = d.Add("SoundOut", 90, 120);
        d.Connect(gen, 0, buss, 1);
        d.Connect(buss, 0, out, 0);
        d.Connect(buss, 1, out, 1);
    }

    const std::string expected = ".odh 0.5\n"
                                 "tempo:\n"
                                 "\t119\n"
                                 "visual1:\n"
                                 "\t250\n"
                                 "\t1\n"
                                 "\t0\n"
                                 "contraptions:\n"
                                 "\tTestGen\tTestGen_1\t{ 0.25, 440.5, 0 }\t" +
                                 Presets(1, "{ 0.5, 220, 1 }") +
                                 "{ }{ 40 30 T Z Z 10 200 Z Z Z Z  }\t\n"
                                 "\tS2Buss\tS2Buss_1\t{  }\t" +
                                 Presets() +
                                 "{ }{ 140 30 F Z Z 0 0 Z Z Z Z  }\t\n"
                                 "\tSoundOut\tSoundOut\t{ \"\", 0, 0, 0, 1000 }\t" +
                                 Presets() +
                                 "{ }{ 90 120 F Z Z 0 0 Z Z Z Z  }\t\n"
                                 "connections:\n"
                                 "\tTestGen_1\t0\tS2Buss_1\t1\n"
                                 "\tS2Buss_1\t0\tSoundOut\t0\n"
                                 "\tS2Buss_1\t1\tSoundOut\t1\n"
                                 "end\n";
};

TEST_F(RoundTripTest, SavedPatchIsTheHandWrittenDocumentAndReadsBackWhole) {
    const std::string first = dir / "song.odh";
    const std::string second = dir / "again.odh";
    {
        TestDocument d;
        Build(d);
        ASSERT_TRUE(d.document.SaveAs(first));
        EXPECT_EQ(ReadFile(first), expected);
        EXPECT_EQ(d.view.caption, "song - Ondrafel");
    }

    TestDocument d;
    ASSERT_TRUE(d.document.Open(first));
    EXPECT_EQ(d.document.LastLoadStatus(), ODLoadStatus::Loaded);
    EXPECT_TRUE(messages.shown.empty());

    EXPECT_EQ(d.view.tempo, 119);
    EXPECT_EQ(d.engine.context.samplesPerTick.load(), ODSamplesPerTick(119));
    EXPECT_EQ(d.view.patcherPaneWidth, 250);
    EXPECT_TRUE(d.view.patcherPaneVisible);
    EXPECT_FALSE(d.view.propertiesPaneVisible);

    const auto nodes = d.view.PatcherNodes();
    ASSERT_EQ(nodes.size(), 3u);
    TQuorlingContraption& gen = *nodes[0].contraption;
    EXPECT_EQ(gen.name, "TestGen_1");
    EXPECT_EQ(nodes[0].x, 40);
    EXPECT_EQ(nodes[0].y, 30);
    EXPECT_EQ(Gen(gen).frequency.Value(), 440.5);
    EXPECT_EQ(Gen(gen).waveform.Value(), 0);
    EXPECT_TRUE(gen.HasPreset(1));
    EXPECT_FALSE(gen.HasPreset(0));
    ASSERT_NE(gen.formState->form, nullptr);
    EXPECT_EQ(gen.formState->top, 10);
    EXPECT_EQ(gen.formState->left, 200);
    EXPECT_EQ(nodes[1].contraption->formState->form, nullptr);
    EXPECT_EQ(nodes[2].contraption->name, "SoundOut");
    EXPECT_TRUE(d.engine.SoundOutPresent());

    // The connections exist in the engine, not only on the pane.
    ASSERT_EQ(d.view.connections.size(), 3u);
    EXPECT_EQ(d.engine.soundOut->inlets[1].source, nodes[1].contraption->processor);
    EXPECT_EQ(nodes[1].contraption->processor->inlets[1].source, gen.processor);

    // A made-up name after loading skips the numbers the document holds.
    EXPECT_EQ(d.Add("TestGen", 0, 0).name, "TestGen_2");
    d.view.nodes.pop_back();

    ASSERT_TRUE(d.document.SaveAs(second));
    EXPECT_EQ(ReadFile(second), expected);
}

TEST_F(RoundTripTest, NumbersIgnoreTheUsersLocale) {
    // A locale with a decimal comma and grouped thousands, as a German
    // desktop would set it.
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    const std::string path = dir / "locale.odh";
    std::string text;
    {
        TestDocument d;
        Build(d);
        d.view.SetPatcherPaneWidth(1200);
        ASSERT_TRUE(d.document.SaveAs(path));
        text = ReadFile(path);
    }
    TestDocument d;
    ASSERT_TRUE(d.document.Open(path));
    const auto nodes = d.view.PatcherNodes();
    std::locale::global(previous);

    EXPECT_NE(text.find("visual1:\n\t1200\n"), std::string::npos) << text;
    EXPECT_NE(text.find("{ 0.25, 440.5, 0 }"), std::string::npos) << text;
    EXPECT_EQ(d.view.patcherPaneWidth, 1200);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(Gen(*nodes[0].contraption).frequency.Value(), 440.5);
}

// Each case: a document, and what opening it must give. Every case opens
// a document with one contraption first, so an emptied patch shows.
struct ReadCase {
    const char* name;
    std::string text;
    ODLoadStatus status;
    const char* message; // expected start of the one message; "" for none
    std::vector<std::string> contraptions;
    int connections;
    int tempo;
    int width;
    bool named;
};

const std::string kGen =
    "\tTestGen\tTestGen_4\t{ 0.1, 330, 1 }\t" + Presets() + "{ }{ 1 2 F Z Z 0 0 Z Z Z Z  }\t\n";
const std::string kMixer =
    "\tM2Mixer\tM2Mixer_1\t{ 1, 1, 1 }\t" + Presets() + "{ }{ 3 4 F Z Z 0 0 Z Z Z Z  }\t\n";

std::vector<ReadCase> ReadCases() {
    const std::string header = ".odh 0.5\n";
    const std::string layout = "visual1:\n\t300\n\t1\n\t1\n";
    return {
        {"version 0.9 is read",
         ".odh 0.9\ntempo:\n\t100\ncontraptions:\n" + kGen + "end\n",
         ODLoadStatus::Loaded,
         "",
         {"TestGen_4"},
         0,
         100,
         180,
         true},
        {"version 1.0 is refused",
         ".odh 1.0\ntempo:\n\t100\ncontraptions:\n" + kGen + "end\n",
         ODLoadStatus::NewerVersion,
         "Error Reading Document: The specified document was created by a newer version",
         {},
         0,
         120,
         180,
         false},
        {"a wrong magic word is refused",
         ".odx 0.5\ntempo:\n\t100\nend\n",
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {},
         0,
         120,
         180,
         false},
        {"a file of other text is refused",
         "hello\n",
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {},
         0,
         120,
         180,
         false},
        {"an empty file is refused",
         "",
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {},
         0,
         120,
         180,
         false},
        {"a connection naming a missing contraption is skipped",
         header + "contraptions:\n" + kGen + kMixer +
             "connections:\n\tGhost_1\t0\tM2Mixer_1\t0\n\tTestGen_4\t0\tM2Mixer_1\t1\n"
             "\tTestGen_4\t7\tM2Mixer_1\t0\nend\n",
         ODLoadStatus::Loaded,
         "",
         {"TestGen_4", "M2Mixer_1"},
         1,
         120,
         180,
         true},
        {"an unknown type is skipped with its connections",
         header +
             "contraptions:\n\tNoSuchType\tNoSuch_1\t{ 1 }\t{ }{ }{ 0 0 F Z Z 0 0 Z Z Z Z  "
             "}\t\n" +
             kMixer + "connections:\n\tNoSuch_1\t0\tM2Mixer_1\t0\nend\n",
         ODLoadStatus::Loaded,
         "",
         {"M2Mixer_1"},
         0,
         120,
         180,
         true},
        {"splitter: gives the pane width",
         header + "splitter:\n\t333\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         120,
         333,
         true},
        {"an unknown section and its lines are passed over",
         header + "mystery:\n\tcontraptions:\n\tend\n\t42\ntempo:\n\t90\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         90,
         180,
         true},
        {"sections in another order",
         header + "contraptions:\n" + kMixer + kGen +
             "connections:\n\tTestGen_4\t0\tM2Mixer_1\t0\n" + layout + "tempo:\n\t75\nend\n",
         ODLoadStatus::Loaded,
         "",
         {"M2Mixer_1", "TestGen_4"},
         1,
         75,
         300,
         true},
        {"a tempo of 0 is clamped",
         header + "tempo:\n\t0\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         1,
         180,
         true},
        {"a huge tempo is clamped",
         header + "tempo:\n\t99999999999999999999999\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         240,
         180,
         true},
        {"a negative tempo is clamped",
         header + "tempo:\n\t-5\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         1,
         180,
         true},
        {"a tempo of 241 is clamped",
         header + "tempo:\n\t241\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         240,
         180,
         true},
        {"a pane wider than 5000 is cut",
         header + "visual1:\n\t9000\n\t1\n\t1\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         120,
         5000,
         true},
        {"a missing value leaves the next section alone",
         header + "tempo:\nvisual1:\n\t222\n\t1\n\t1\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         120,
         222,
         true},
        {"over-long names and lines are skipped",
         header + std::string(10000, 's') + "\n" + "contraptions:\n\tTestGen\t" +
             std::string(300, 'n') + "\t{ 1, 2, 3 }\t{ }{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t\n" +
             kMixer + "connections:\n\t" + std::string(6000, 'x') + "\t0\tM2Mixer_1\t0\nend\n",
         ODLoadStatus::Loaded,
         "",
         {"M2Mixer_1"},
         0,
         120,
         180,
         true},
        {"no end line",
         header + "tempo:\n\t130\ncontraptions:\n" + kGen + kMixer,
         ODLoadStatus::Incomplete,
         "Error Reading Document: The document ends before",
         {"TestGen_4", "M2Mixer_1"},
         0,
         130,
         180,
         true},
        {"a file cut off in a contraption line keeps what was read",
         header + "tempo:\n\t130\ncontraptions:\n" + kGen + kMixer.substr(0, 40),
         ODLoadStatus::Incomplete,
         "Error Reading Document: The document ends before",
         {"TestGen_4", "M2Mixer_1"},
         0,
         130,
         180,
         true},
        {"a file cut off in a connection line",
         header + "contraptions:\n" + kGen + kMixer + "connections:\n\tTestGen_4\t0\tM2Mi",
         ODLoadStatus::Incomplete,
         "Error Reading Document: The document ends before",
         {"TestGen_4", "M2Mixer_1"},
         0,
         120,
         180,
         true},
    };
}

TEST(DocumentReadTest, ReadingCases) {
    TempDir dir;
    const std::string before = dir / "before.odh";
    WriteFile(before, ".odh 0.5\ncontraptions:\n\tS2Buss\tS2Buss_9\t{  }\t" + Presets() +
                          "{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t\nend\n");
    for (const ReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.name);
        RecordingMessageBox messages;
        TestDocument d;
        ASSERT_TRUE(d.document.Open(before));
        ASSERT_EQ(d.view.nodes.size(), 1u);

        const std::string path = dir / "case.odh";
        WriteFile(path, c.text);
        EXPECT_TRUE(d.document.Open(path));
        EXPECT_EQ(d.document.LastLoadStatus(), c.status);
        if (*c.message == '\0') {
            EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
        } else {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].rfind(c.message, 0), 0u) << messages.shown[0];
        }
        std::vector<std::string> names;
        for (const ODPatcherNodeInfo& node : d.view.PatcherNodes())
            names.push_back(node.contraption->name);
        EXPECT_EQ(names, c.contraptions);
        EXPECT_EQ(static_cast<int>(d.view.connections.size()), c.connections);
        EXPECT_EQ(d.view.tempo, c.tempo);
        EXPECT_EQ(d.engine.context.samplesPerTick.load(), ODSamplesPerTick(c.tempo));
        EXPECT_EQ(d.view.patcherPaneWidth, c.width);
        EXPECT_EQ(d.document.HasFileName(), c.named);
        EXPECT_EQ(d.view.caption, c.named ? "case - Ondrafel" : "Untitled - Ondrafel");
        EXPECT_EQ(d.view.repaintLocks, 0);
    }
}

TEST(DocumentReadTest, MoreConnectionsIntoOneInletKeepTheLast) {
    RecordingMessageBox messages;
    TestDocument d;
    std::istringstream in(".odh 0.5\ncontraptions:\n" + kGen + kMixer +
                          "\tTestGen\tTestGen_5\t{ 0.1, 330, 1 }\t" + Presets() +
                          "{ }{ 1 2 F Z Z 0 0 Z Z Z Z  }\t\n"
                          "connections:\n\tTestGen_4\t0\tM2Mixer_1\t0\n"
                          "\tTestGen_5\t0\tM2Mixer_1\t0\nend\n");
    EXPECT_EQ(d.document.Read(in), ODLoadStatus::Loaded);
    ASSERT_EQ(d.view.connections.size(), 1u);
    EXPECT_EQ(d.view.connections[0].source->name, "TestGen_5");
    EXPECT_EQ(d.view.connections[0].target->processor->inlets[0].source,
              d.view.connections[0].source->processor);
}

TEST(DocumentDisplayNameTest, NameIsTheFileNameUpToItsFirstDot) {
    const struct {
        std::optional<std::string> path;
        const char* name;
    } cases[] = {
        {std::nullopt, "Untitled"},
        {"/home/me/music/song.odh", "song"},
        {"song.odh", "song"},
        {"/home/me/my.song.v2.odh", "my"},
        {"/home/me.dir/noext", "noext"},
        {"relative/dir/beat.odh", "beat"},
        {"/home/me/.hidden.odh", ".hidden.odh"},
        {"/x/" + std::string(500, 'a') + ".odh", nullptr},
    };
    for (const auto& c : cases) {
        const std::string expected = c.name != nullptr ? c.name : std::string(500, 'a');
        EXPECT_EQ(ODDisplayName(c.path), expected) << c.path.value_or("(none)");
    }
}

// The save faults: each leaves the document modified, the previous file as
// it was, and nothing else behind.
class SaveFailureTest : public ::testing::Test {
protected:
    RecordingMessageBox messages;
    TempDir dir;
    TestDocument d;

    struct NoQueries : VXDocumentQueries {
        bool AskSaveChanges(bool&) override { return true; }
        bool ConfirmRevert() override { return true; }
        std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
    } queries;
    VXDocumentController controller{queries, d.document};

    const std::string old = ".odh 0.5\ntempo:\n\t99\nend\n";

    void SetUp() override {
        TQuorlingContraption& gen = d.Add("TestGen", 10, 10);
        for (int k = 0; k < 20; ++k)
            gen.StorePreset(k);
    }

    // Saves the modified document over `path` through the controller.
    bool SaveModified(const std::string& path) {
        d.document.fileName = path;
        d.engine.contraptionsModified = true;
        return controller.Save();
    }

    // What a failed save must leave: a modified document, one message, and
    // the previous file alone in its directory, unchanged.
    void ExpectNothingChanged(const std::string& path, bool oldExists) {
        d.document.UpdateModified();
        EXPECT_TRUE(d.document.modified);
        EXPECT_TRUE(d.engine.contraptionsModified);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].rfind(std::string("Ondrafel: ") + ODSaveErrorText, 0), 0u);
        if (oldExists) {
            EXPECT_EQ(ReadFile(path), old);
            std::vector<std::string> left;
            for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
                left.push_back(entry.path().filename().string());
            EXPECT_EQ(left, std::vector<std::string>{fs::path(path).filename().string()});
        }
    }
};

TEST_F(SaveFailureTest, MissingDirectory) {
    const std::string path = dir / "no/such/dir/song.odh";
    EXPECT_FALSE(SaveModified(path));
    ExpectNothingChanged(path, false);
    // Closing asks again, and a save that fails keeps the window open.
    EXPECT_FALSE(controller.CanClose());
}

TEST_F(SaveFailureTest, ReadOnlyDirectory) {
    const fs::path ro = dir.path / "ro";
    fs::create_directory(ro);
    const std::string path = (ro / "song.odh").string();
    WriteFile(path, old);
    ::chmod(ro.c_str(), 0555);
    // Someone who may write anyway (root) cannot show this fault.
    const bool writable = ::access(ro.c_str(), W_OK) == 0;
    if (!writable) {
        EXPECT_FALSE(SaveModified(path));
        ExpectNothingChanged(path, true);
    }
    ::chmod(ro.c_str(), 0755);
    if (writable)
        GTEST_SKIP() << "this user may write into read-only directories";
}

TEST_F(SaveFailureTest, DiskFullPartWayThrough) {
    const std::string path = dir / "song.odh";
    WriteFile(path, old);
    // A file-size limit makes the write fail part-way, as a full disk does,
    // whoever runs the test.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 200;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool ok = SaveModified(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    ExpectNothingChanged(path, true);
}

TEST(DocumentSaveTest, SaveKeepsThePreviousVersionItsModeAndLinks) {
    RecordingMessageBox messages;
    TempDir dir;
    const std::string real = dir / "real.odh";
    const std::string link = dir / "link.odh";
    WriteFile(real, "previous\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, link);

    TestDocument d;
    d.Add("TestGen", 10, 10);
    ASSERT_TRUE(d.document.SaveAs(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), d.Text());
    EXPECT_EQ(ReadFile(real + ".bak"), "previous\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(d.document.Save());
    EXPECT_EQ(ReadFile(real + ".bak"), d.Text());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(DocumentOpenTest, UnreadableFileKeepsThePatchAndItsName) {
    RecordingMessageBox messages;
    TempDir dir;
    const std::string path = dir / "song.odh";
    TestDocument d;
    d.Add("TestGen", 10, 10);
    ASSERT_TRUE(d.document.SaveAs(path));
    d.engine.contraptionsModified = true;

    struct Queries : VXDocumentQueries {
        bool AskSaveChanges(bool&) override { return false; }
        bool ConfirmRevert() override { return true; }
        std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
    } queries;
    VXDocumentController controller(queries, d.document);
    EXPECT_FALSE(controller.OpenFile(dir / "missing.odh"));

    EXPECT_EQ(d.document.fileName, path);
    EXPECT_EQ(d.view.nodes.size(), 1u);
    EXPECT_TRUE(d.document.modified);
    EXPECT_EQ(d.view.caption, "song - Ondrafel");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].rfind(std::string("Ondrafel: ") + ODOpenErrorText, 0), 0u);
}

} // namespace
