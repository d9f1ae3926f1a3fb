#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../host/engine_test_support.h"
#include "document/document_controller.h"
#include "document_test_support.h"

namespace {

// Answers the prompts from a script and records what was asked.
struct ScriptedQueries : VXDocumentQueries {
    enum Answer { Yes, No, Cancel };
    Answer saveAnswer = No;
    bool revertAnswer = true;
    std::optional<std::string> openName;
    std::vector<std::string> asked;

    bool AskSaveChanges(bool& cancel) override {
        asked.push_back("save changes");
        if (saveAnswer == Cancel)
            cancel = true;
        return saveAnswer == Yes;
    }
    bool ConfirmRevert() override {
        asked.push_back("revert");
        return revertAnswer;
    }
    std::optional<std::string> AskOpenFileName() override {
        asked.push_back("open");
        return openName;
    }
};

class ControllerTest : public ::testing::Test {
protected:
    RecordingMessageBox messages;
    TempDir dir;
    TestDocument d;
    ScriptedQueries queries;
    VXDocumentController controller{queries, d.document};
    std::string saved;
    std::string other;

    void SetUp() override {
        saved = dir / "saved.odh";
        other = dir / "other.odh";
        d.Add("TestGen", 10, 10);
        ASSERT_TRUE(d.document.SaveAs(saved));
        d.document.ClearModified();
        TestDocument o;
        o.Add("M2Mixer", 5, 5);
        o.Add("M2Mixer", 5, 50);
        ASSERT_TRUE(o.document.SaveAs(other));
    }

    // A change the document only learns of through UpdateModified.
    void Change() { d.Add("S2Buss", 20, 20); }
};

TEST_F(ControllerTest, UnchangedDocumentIsReplacedWithoutAsking) {
    EXPECT_TRUE(controller.New());
    EXPECT_TRUE(d.view.nodes.empty());
    EXPECT_FALSE(d.document.HasFileName());
    EXPECT_EQ(d.view.caption, "Untitled - Ondrafel");
    EXPECT_TRUE(controller.OpenFile(other));
    EXPECT_EQ(d.view.nodes.size(), 2u);
    EXPECT_TRUE(controller.CanClose());
    EXPECT_TRUE(queries.asked.empty());
    EXPECT_FALSE(d.document.modified);
}

TEST_F(ControllerTest, AnswersToSaveChanges) {
    const struct {
        ScriptedQueries::Answer answer;
        bool wentThrough;
        bool savedChange; // the file on disk holds the change
    } cases[] = {
        {ScriptedQueries::Yes, true, true},
        {ScriptedQueries::No, true, false},
        {ScriptedQueries::Cancel, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        ASSERT_TRUE(controller.OpenFile(saved));
        const std::string before = ReadFile(saved);
        Change();
        queries.saveAnswer = c.answer;
        queries.asked.clear();
        EXPECT_EQ(controller.OpenFile(other), c.wentThrough);
        EXPECT_EQ(queries.asked, std::vector<std::string>{"save changes"});
        EXPECT_EQ(std::string(d.view.nodes[0].contraption->maker->typeName),
                  c.wentThrough ? "M2Mixer" : "TestGen");
        EXPECT_EQ(d.document.fileName, c.wentThrough ? other : saved);
        EXPECT_EQ(ReadFile(saved) != before, c.savedChange);
        EXPECT_EQ(d.document.modified, !c.wentThrough);
        // Put the first document back as it was.
        queries.saveAnswer = ScriptedQueries::No;
        d.document.ClearModified();
        WriteFile(saved, before);
    }
}

TEST_F(ControllerTest, SavingAnUntitledDocumentAsksForAName) {
    ASSERT_TRUE(controller.New());
    Change();
    d.view.saveFileName.reset();
    EXPECT_FALSE(controller.Save());
    d.document.UpdateModified();
    EXPECT_TRUE(d.document.modified);

    // Choosing to save when closing, then cancelling the save dialog,
    // keeps the window open.
    queries.saveAnswer = ScriptedQueries::Yes;
    EXPECT_FALSE(controller.CanClose());

    const std::string path = dir / "named.odh";
    d.view.saveFileName = path;
    EXPECT_TRUE(controller.Save());
    EXPECT_EQ(d.document.fileName, path);
    EXPECT_EQ(d.view.caption, "named - Ondrafel");
    EXPECT_FALSE(d.document.modified);
    EXPECT_EQ(ReadFile(path), d.Text());
    EXPECT_TRUE(controller.CanClose());
}

TEST_F(ControllerTest, SaveAsFailureKeepsTheOldName) {
    Change();
    d.view.saveFileName = dir / "missing/dir/x.odh";
    EXPECT_FALSE(controller.SaveAs());
    EXPECT_EQ(d.document.fileName, saved);
    d.document.UpdateModified();
    EXPECT_TRUE(d.document.modified);
    ASSERT_EQ(messages.shown.size(), 1u);
}

TEST_F(ControllerTest, RevertNeedsANameAndConfirmation) {
    Change();
    queries.revertAnswer = false;
    EXPECT_FALSE(controller.Revert());
    EXPECT_EQ(d.view.nodes.size(), 2u);

    queries.revertAnswer = true;
    EXPECT_TRUE(controller.Revert());
    EXPECT_EQ(d.view.nodes.size(), 1u);
    EXPECT_FALSE(d.document.modified);
    EXPECT_EQ(queries.asked, (std::vector<std::string>{"revert", "revert"}));

    ASSERT_TRUE(controller.New());
    queries.asked.clear();
    EXPECT_FALSE(controller.Revert());
    EXPECT_TRUE(queries.asked.empty());
}

TEST_F(ControllerTest, OpenAsksForTheFileFirst) {
    Change();
    queries.openName.reset();
    EXPECT_FALSE(controller.Open());
    EXPECT_EQ(queries.asked, std::vector<std::string>{"open"});

    queries.openName = other;
    queries.saveAnswer = ScriptedQueries::No;
    queries.asked.clear();
    EXPECT_TRUE(controller.Open());
    EXPECT_EQ(queries.asked, (std::vector<std::string>{"open", "save changes"}));
    EXPECT_EQ(d.document.fileName, other);
    EXPECT_FALSE(controller.OpenFile(""));
}

// Files that cannot be read as a document: the patch, its name, its tempo
// and its unsaved changes stay as they were, whether they are opened
// (after the user chose not to save) or the open document is reverted to
// them. One message says why.
struct UnreadableCase {
    const char* name;
    // Puts the unreadable file at `path`.
    void (*make)(const std::string& path);
    const char* message; // start of the message, after the caption
};

const UnreadableCase kUnreadable[] = {
    {"a WAV file",
     [](const std::string& path) { WriteWav(path, 2, 44100, std::vector<std::int16_t>(64, 7)); },
     "Error Reading Document: The specified file is not an Ondrafel document."},
    {"a newer version",
     [](const std::string& path) { WriteFile(path, ".odh 1.5\ntempo:\n\t60\nend\n"); },
     "Error Reading Document: The specified document was created by a newer version"},
    {"a line too long",
     [](const std::string& path) {
         WriteFile(path, ".odh 0.5\ntempo:\n\t60\n" + std::string(ODDocument::LineLimit + 1, 'x'));
     },
     "Error Reading Document: The document has a line longer"},
    {"a directory",
     [](const std::string& path) {
         std::filesystem::remove(path);
         std::filesystem::create_directory(path);
     },
     "Ondrafel: An error occurred while opening the document.\n"},
    {"a missing file", [](const std::string& path) { std::filesystem::remove(path); },
     "Ondrafel: An error occurred while opening the document.\n"},
};

class UnreadableTest : public ControllerTest {
protected:
    // The state the failed command must leave.
    void ExpectUnchanged(const UnreadableCase& c) {
        EXPECT_EQ(d.view.nodes.size(), 2u);
        EXPECT_EQ(d.engine.factory->ContraptionCount(), 2);
        EXPECT_EQ(d.view.tempo, 99);
        EXPECT_EQ(d.engine.context.samplesPerTick.load(), ODSamplesPerTick(99));
        EXPECT_EQ(d.document.fileName, saved);
        EXPECT_EQ(d.view.caption, "saved - Ondrafel");
        d.document.UpdateModified();
        EXPECT_TRUE(d.document.modified);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].rfind(c.message, 0), 0u) << messages.shown[0];
    }

    void ChangeTempo() {
        d.view.SetTempo(99);
        d.engine.context.samplesPerTick = ODSamplesPerTick(99);
        d.document.modified = true;
    }
};

TEST_F(UnreadableTest, OpeningOneKeepsTheOpenPatch) {
    for (const UnreadableCase& c : kUnreadable) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(controller.OpenFile(saved));
        Change();
        ChangeTempo();
        messages.shown.clear();
        const std::string path = dir / "not-a-song.odh";
        c.make(path);
        queries.openName = path;
        queries.saveAnswer = ScriptedQueries::No;
        queries.asked.clear();
        EXPECT_FALSE(controller.Open());
        EXPECT_EQ(queries.asked, (std::vector<std::string>{"open", "save changes"}));
        ExpectUnchanged(c);
        std::filesystem::remove_all(path);
    }
}

TEST_F(UnreadableTest, RevertingToOneKeepsTheOpenPatch) {
    const std::string good = ReadFile(saved);
    for (const UnreadableCase& c : kUnreadable) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(controller.OpenFile(saved));
        Change();
        ChangeTempo();
        messages.shown.clear();
        c.make(saved);
        EXPECT_FALSE(controller.Revert());
        ExpectUnchanged(c);
        std::filesystem::remove_all(saved);
        WriteFile(saved, good);
    }
}

} // namespace
