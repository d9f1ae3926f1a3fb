#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../host/engine_test_support.h"
#include "app/document_controller.h"
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

} // namespace
