#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../host/engine_test_support.h"
#include "document/document_controller.h"
#include "contraptions/generators/testgen.h"
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
    // The document's name afterwards: "case" when it was opened, "before"
    // when it was refused and the previous document stayed.
    const char* named;
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
         "case"},
        {"version 1.0 is refused",
         ".odh 1.0\ntempo:\n\t100\ncontraptions:\n" + kGen + "end\n",
         ODLoadStatus::NewerVersion,
         "Error Reading Document: The specified document was created by a newer version",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
        {"a wrong magic word is refused",
         ".odx 0.5\ntempo:\n\t100\nend\n",
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
        {"a file of other text is refused",
         "hello\n",
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
        {"an empty file is refused",
         "",
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
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
         "case"},
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
         "case"},
        {"splitter: gives the pane width",
         header + "splitter:\n\t333\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         120,
         333,
         "case"},
        {"an unknown section and its lines are passed over",
         header + "mystery:\n\tcontraptions:\n\tend\n\t42\ntempo:\n\t90\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         90,
         180,
         "case"},
        {"sections in another order",
         header + "contraptions:\n" + kMixer + kGen +
             "connections:\n\tTestGen_4\t0\tM2Mixer_1\t0\n" + layout + "tempo:\n\t75\nend\n",
         ODLoadStatus::Loaded,
         "",
         {"M2Mixer_1", "TestGen_4"},
         1,
         75,
         300,
         "case"},
        {"a tempo of 0 is clamped",
         header + "tempo:\n\t0\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         1,
         180,
         "case"},
        {"a huge tempo is clamped",
         header + "tempo:\n\t99999999999999999999999\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         240,
         180,
         "case"},
        {"a negative tempo is clamped",
         header + "tempo:\n\t-5\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         1,
         180,
         "case"},
        {"a tempo of 241 is clamped",
         header + "tempo:\n\t241\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         240,
         180,
         "case"},
        {"a pane wider than 5000 is cut",
         header + "visual1:\n\t9000\n\t1\n\t1\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         120,
         5000,
         "case"},
        {"a missing value leaves the next section alone",
         header + "tempo:\nvisual1:\n\t222\n\t1\n\t1\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         120,
         222,
         "case"},
        {"over-long names and lines are skipped",
         header + std::string(10000, 's') + "\n" + "contraptions:\n\tTestGen\t" +
             std::string(300, 'n') + "\t{ 1, 2, 3 }\t{ }{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t\n" +
             kMixer + "connections:\n\t" + std::string(6000, 'x') + "\t0\tM2Mixer_1\t0\nend\n",
         ODLoadStatus::Loaded,
         "Error Reading Document: These lines of the document could not be read; their "
         "contraptions were left out:\nline 4: the instance name is longer than 199 characters",
         {"M2Mixer_1"},
         0,
         120,
         180,
         "case"},
        {"no end line",
         header + "tempo:\n\t130\ncontraptions:\n" + kGen + kMixer,
         ODLoadStatus::Incomplete,
         "Error Reading Document: The document ends before",
         {"TestGen_4", "M2Mixer_1"},
         0,
         130,
         180,
         "case"},
        {"a file cut off in a contraption line keeps what was read",
         header + "tempo:\n\t130\ncontraptions:\n" + kGen + kMixer.substr(0, 40),
         ODLoadStatus::Incomplete,
         "Error Reading Document: The document ends before",
         {"TestGen_4", "M2Mixer_1"},
         0,
         130,
         180,
         "case"},
        {"a line as long as the limit is read",
         header + "mystery:\n\t" + std::string(ODDocument::LineLimit - 1, 'x') +
             "\ntempo:\n\t100\nend\n",
         ODLoadStatus::Loaded,
         "",
         {},
         0,
         100,
         180,
         "case"},
        {"a line one longer than the limit is refused",
         header + "tempo:\n\t100\nmystery:\n\t" + std::string(ODDocument::LineLimit, 'x') +
             "\nend\n",
         ODLoadStatus::LineTooLong,
         "Error Reading Document: The document has a line longer than Ondrafel ever writes and "
         "cannot be opened.\n",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
        {"an over-long header line is refused",
         ".odh 0.5 " + std::string(ODDocument::LineLimit, ' ') + "\nend\n",
         ODLoadStatus::LineTooLong,
         "Error Reading Document: The document has a line longer",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
        {"a file without line feeds is no document",
         std::string(ODDocument::LineLimit + 100, 'z'),
         ODLoadStatus::NotADocument,
         "Error Reading Document: The specified file is not an Ondrafel document.",
         {"S2Buss_9"},
         0,
         120,
         180,
         "before"},
        {"a file cut off in a connection line",
         header + "contraptions:\n" + kGen + kMixer + "connections:\n\tTestGen_4\t0\tM2Mi",
         ODLoadStatus::Incomplete,
         "Error Reading Document: The document ends before",
         {"TestGen_4", "M2Mixer_1"},
         0,
         120,
         180,
         "case"},
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
        const bool opened =
            c.status == ODLoadStatus::Loaded || c.status == ODLoadStatus::Incomplete;
        EXPECT_EQ(d.document.Open(path), opened);
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
        EXPECT_EQ(d.document.fileName, dir / (std::string(c.named) + ".odh"));
        EXPECT_EQ(d.view.caption, std::string(c.named) + " - Ondrafel");
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

// Contraption lines whose names the reader refuses are named in one
// message after the load, by line number and reason; the rest loads.
TEST(DocumentReadTest, RefusedNamesAreListedInOneMessage) {
    const std::string tail = "\t{ 1, 2, 3 }\t{ }{ }{ 0 0 F Z Z 0 0 Z Z Z Z  }\t\n";
    const std::string longType = "\t" + std::string(250, 'T') + "\tX_1" + tail;
    const std::string longName = "\tTestGen\t" + std::string(300, 'n') + tail;
    const std::string longQuoted = "\tTestGen\t\"" + std::string(120, 'q') + "\"" + tail;
    const std::string unknownType = "\tNoSuchType\tNoSuch_1" + tail;
    const std::string listed = std::string("Error Reading Document: ") + ODDroppedContraptionsText;
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += longName;
    std::string manyListed;
    for (int line = 3; line < 23; ++line)
        manyListed +=
            "\nline " + std::to_string(line) + ": the instance name is longer than 199 characters";

    const struct {
        const char* name;
        std::string text;
        std::string message;
        std::size_t dropped;
    } cases[] = {
        {"each reason on its line",
         ".odh 0.5\ntempo:\n\t90\ncontraptions:\n" + longType + kGen + longName + longQuoted +
             unknownType + "end\n",
         listed + "\nline 5: the type name is longer than 199 characters"
                  "\nline 7: the instance name is longer than 199 characters"
                  "\nline 8: the instance name is longer than 99 characters",
         3},
        {"with an incomplete file, in the same message",
         ".odh 0.5\ncontraptions:\n" + kGen + longName,
         std::string("Error Reading Document: ") + ODIncompleteText + "\n\n" +
             ODDroppedContraptionsText +
             "\nline 4: the instance name is longer than 199 characters",
         1},
        {"many, counted beyond the first twenty",
         ".odh 0.5\ncontraptions:\n" + many + kGen + "end\n",
         listed + manyListed + "\n(and 5 more)", 25},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMessageBox messages;
        TestDocument d;
        const std::string path = dir / "names.odh";
        WriteFile(path, c.text);
        ASSERT_TRUE(d.document.Open(path));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0], c.message);
        EXPECT_EQ(d.document.DroppedLines().size(), c.dropped);
        ASSERT_EQ(d.view.nodes.size(), 1u);
        EXPECT_EQ(d.view.nodes[0].contraption->name, "TestGen_4");
    }
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

// What is not a regular file is refused before anything is read from it: a
// FIFO would wait for a writer, a device may never end.
TEST(DocumentOpenTest, WhatIsNotARegularFileIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir / "fifo.odh";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir / "folder.odh";
    fs::create_directory(folder);

    // Should the reader wait on the FIFO after all, a writer that comes
    // and goes ends the wait, so that the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread unblock([&] {
        for (int i = 0; i < 500 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        while (!done) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });

    for (const std::string& path : {fifo, folder, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        RecordingMessageBox messages;
        TestDocument d;
        d.Add("TestGen", 10, 10);
        const std::string saved = dir / "song.odh";
        ASSERT_TRUE(d.document.SaveAs(saved));
        EXPECT_FALSE(d.document.Open(path));
        EXPECT_EQ(d.document.LastLoadStatus(), ODLoadStatus::NotOpened);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0],
                  std::string("Ondrafel: ") + ODOpenErrorText + path + ": not a regular file");
        EXPECT_EQ(d.view.nodes.size(), 1u);
        EXPECT_EQ(d.document.fileName, saved);
    }
    done = true;
    unblock.join();
}

// The previous version is replaced by a rename, so some "NAME.odh.bak"
// exists at every moment of a save: a save killed at any point keeps one.
TEST(DocumentSaveTest, ABackupExistsAtEveryMomentOfASave) {
    RecordingMessageBox messages;
    TempDir dir;
    const std::string path = dir / "song.odh";
    const std::string backup = path + ".bak";
    TestDocument d;
    d.Add("TestGen", 10, 10);
    ASSERT_TRUE(d.document.SaveAs(path));
    ASSERT_TRUE(d.document.Save());
    ASSERT_TRUE(fs::exists(backup));

    std::atomic<bool> saving{true};
    std::atomic<long> looks{0}, missing{0};
    std::thread watcher([&] {
        while (saving) {
            if (::access(backup.c_str(), F_OK) != 0)
                ++missing;
            ++looks;
        }
    });
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(d.document.Save());
    saving = false;
    watcher.join();
    EXPECT_GT(looks.load(), 0);
    EXPECT_EQ(missing.load(), 0) << "times the backup was missing, of " << looks.load();
    EXPECT_TRUE(messages.shown.empty());
}

// A save that was killed leaves its temporary; the next save of the same
// document removes it unless its process still runs (another instance
// saving right now). Nothing else in the directory is touched.
TEST(DocumentSaveTest, TemporariesOfKilledSavesAreRemoved) {
    RecordingMessageBox messages;
    TempDir dir;
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string deadPid = std::to_string(dead);
    const std::string livePid = std::to_string(::getppid());
    const std::string ownPid = std::to_string(::getpid());

    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {".song.odh.saving" + deadPid + "_0", true},
        {".song.odh.saving" + deadPid + "_17", true},
        // An earlier process with this process's id.
        {".song.odh.saving" + ownPid + "_999999", true},
        {".song.odh.saving" + livePid + "_0", false},
        {".other.odh.saving" + deadPid + "_0", false},
        {".song.odh.saving" + deadPid + "_0x", false},
        {".song.odh.saving" + deadPid, false},
        {"song.odh.saving" + deadPid + "_0", false},
    };
    for (const auto& c : cases)
        WriteFile(dir / c.name, "left behind\n");

    TestDocument d;
    d.Add("TestGen", 10, 10);
    ASSERT_TRUE(d.document.SaveAs(dir / "song.odh"));
    for (const auto& c : cases)
        EXPECT_EQ(fs::exists(dir / c.name), !c.removed) << c.name;
    EXPECT_TRUE(messages.shown.empty());
}

// The temporary beside a document adds to its name; a name near the file
// system's limit still saves.
TEST(DocumentSaveTest, ANameNearTheLengthLimitSaves) {
    RecordingMessageBox messages;
    TempDir dir;
    const std::string path = dir / (std::string(251, 'n') + ".odh");
    TestDocument d;
    d.Add("TestGen", 10, 10);
    ASSERT_TRUE(d.document.SaveAs(path)) << (messages.shown.empty() ? "" : messages.shown[0]);
    ASSERT_TRUE(d.document.Save());
    EXPECT_EQ(ReadFile(path), d.Text());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1)
        << "the backup's name would be too long, and no temporary stays";
}

} // namespace
