#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/directory_selection_form.h"
#include "app/settings_form.h"
#include "document/sound_file_references.h"
#include "dialog_test_support.h"
#include "gui_test_support.h"

namespace {

// The search directories are program-wide: each test starts and ends
// without any.
struct TSearchDirectoriesGuard {
    TSearchDirectoriesGuard() { SoundFileSearch().searchDirectories.clear(); }
    ~TSearchDirectoriesGuard() { SoundFileSearch().searchDirectories.clear(); }
};

void Select(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
}

TEST(SettingsFormTest, DurationTexts) {
    struct Case {
        int bytes, count;
        const char* duration;
        const char* latency;
    };
    const Case cases[] = {
        {16384, 4, "( 92 ms )", "( Total latency = 371 ms )"},
        {2048, 2, "( 11 ms )", "( Total latency = 23 ms )"},
        {65536, 8, "( 371 ms )", "( Total latency = 2972 ms )"},
        {0, 0, "( 0 ms )", "( Total latency = 0 ms )"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TSettingsForm::BufferDurationText(c.bytes), c.duration);
        EXPECT_EQ(TSettingsForm::LatencyText(c.bytes, c.count), c.latency);
    }
}

TEST(SettingsFormTest, ShowLoadsTheStreamsAndChangesEnableApply) {
    TSearchDirectoriesGuard dirs;
    TWindowFixture f;
    TAudioEngineModule& e = *f.engine;
    e.OutStream.SetBuffers(3, 8192);
    e.InStream.SetBuffers(5, 12000); // not one of the sizes offered
    SoundFileSearch().searchDirectories = {"/music/loops/", "/music/drums/"};
    TSettingsForm& s = *f.form->SettingsForm;
    s.PageControl->setCurrentIndex(2);
    s.FormShow();

    EXPECT_EQ(s.PageControl->currentIndex(), 0);
    EXPECT_EQ(s.OutBufferSizeComboBox->currentText(), "8192");
    EXPECT_EQ(s.OutBufferCountComboBox->currentText(), "3");
    EXPECT_EQ(s.InBufferSizeComboBox->currentIndex(), -1);
    EXPECT_EQ(s.InBufferCountComboBox->currentText(), "5");
    ASSERT_EQ(s.OutDeviceComboBox->count(), static_cast<int>(e.OutStream.DeviceNames().size()));
    EXPECT_EQ(s.OutDeviceComboBox->itemText(0), "No audio device");
    EXPECT_EQ(s.OutDeviceComboBox->currentIndex(), e.OutStream.Device());
    EXPECT_EQ(s.InDeviceComboBox->currentIndex(), e.InStream.Device());
    EXPECT_EQ(s.OutBufferDurationLabel->text(), "( 46 ms )");
    EXPECT_EQ(s.OutLatencyLabel->text(), "( Total latency = 139 ms )");
    ASSERT_EQ(s.DirectoriesListBox->count(), 2);
    EXPECT_EQ(s.DirectoriesListBox->item(1)->text(), "/music/drums/");
    EXPECT_FALSE(s.ApplyButton->isEnabled());

    Select(s.OutBufferSizeComboBox, "16384");
    Select(s.OutBufferCountComboBox, "4");
    EXPECT_EQ(s.OutBufferDurationLabel->text(), "( 92 ms )");
    EXPECT_EQ(s.OutLatencyLabel->text(), "( Total latency = 371 ms )");
    EXPECT_TRUE(s.ApplyButton->isEnabled());

    // Cancel hands nothing back.
    s.CancelButton->click();
    EXPECT_EQ(e.OutStream.BufferSize(), 8192);
    EXPECT_EQ(e.OutStream.BufferCount(), 3);

    // A device choice alone enables Apply too. Applying with no input size
    // selected keeps the stream's own size rather than asking for none.
    s.FormShow();
    s.OutDeviceComboBox->setCurrentIndex(-1);
    s.OutDeviceComboBox->setCurrentIndex(e.OutStream.Device());
    EXPECT_TRUE(s.ApplyButton->isEnabled());
    s.ApplyButton->click();
    EXPECT_FALSE(s.ApplyButton->isEnabled());
    EXPECT_EQ(e.InStream.BufferSize(), 12000);
    EXPECT_EQ(e.InStream.BufferCount(), 5);
    EXPECT_TRUE(f.messages.said.empty());
}

TEST(SettingsFormTest, InputBufferSmallerThanOutputIsCorrected) {
    TSearchDirectoriesGuard dirs;
    TWindowFixture f;
    TSettingsForm& s = *f.form->SettingsForm;
    s.FormShow();
    Select(s.OutBufferSizeComboBox, "8192");
    Select(s.InBufferSizeComboBox, "4096");
    s.ApplyButton->click();

    EXPECT_EQ(f.engine->OutStream.BufferSize(), 8192);
    EXPECT_EQ(f.engine->InStream.BufferSize(), 8192);
    EXPECT_EQ(s.InBufferSizeComboBox->currentText(), "8192");
    ASSERT_EQ(f.messages.said.size(), 1u);
    EXPECT_EQ(f.messages.said[0].text,
              "You have selected an invalid Audio Input buffer size.\nThe Audio Input buffer "
              "size must be greater than or equal to the Audio Output buffer size.\nThe Audio "
              "Input buffer size has been automatically reset to the Audio Output buffer size.");
    EXPECT_EQ(f.messages.said[0].caption, "Invalid Audio Input Buffer Size");
    EXPECT_FALSE(s.ApplyButton->isEnabled());
}

TEST(SettingsFormTest, RunningInputIsRestartedWithTheNewBuffers) {
    TSearchDirectoriesGuard dirs;
    TWindowFixture f;
    ASSERT_NE(f.Create("SoundIn", {20, 20}), nullptr);
    f.form->ControlStartAudioInItem->trigger();
    ASSERT_TRUE(f.engine->AudioInRunning());
    TSettingsForm& s = *f.form->SettingsForm;
    s.FormShow();
    Select(s.InBufferSizeComboBox, "32768");
    Select(s.InBufferCountComboBox, "6");
    s.OkButton->click();
    EXPECT_TRUE(f.engine->AudioInRunning());
    EXPECT_EQ(f.engine->InStream.BufferSize(), 32768);
    EXPECT_EQ(f.engine->InStream.BufferCount(), 6);
    f.form->ControlStopAudioInItem->trigger();
}

// Through the menu: a directory added with the selection dialog, another
// removed, OK; closing the window saves the list.
TEST(SettingsFormTest, DirectoriesAreEditedAndSavedAtExit) {
    TSearchDirectoriesGuard dirs;
    QTemporaryDir added;
    ASSERT_TRUE(added.isValid());
    TWindowFixture f;
    f.settings.WriteString("SFPaths", "Path_0", "/a/");
    f.settings.WriteString("SFPaths", "Path_1", "/b/");
    f.settings.WriteString("SFPaths", "Path_2", "/c/");
    SoundFileSearch().searchDirectories = {"/a/", "/b/", "/c/"};

    OnNextModal<TSettingsForm>([&](TSettingsForm& s) {
        s.PageControl->setCurrentIndex(2);
        // Clicking the explanation sends the focus to OK.
        QTest::mouseClick(s.ExplanationMemo, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(s.focusWidget(), s.OkButton); // even while the window is not active
        s.grab().save(ScreenshotPath("settings_directories"));
        // Remove does nothing without a selection.
        s.DirectoriesListBox->clearSelection();
        s.RemoveButton->click();
        EXPECT_EQ(s.DirectoriesListBox->count(), 3);
        EXPECT_FALSE(s.ApplyButton->isEnabled());
        s.DirectoriesListBox->setCurrentRow(1);
        s.RemoveButton->click();
        EXPECT_TRUE(s.ApplyButton->isEnabled());

        OnNextModal<TDirectorySelectionForm>([&](TDirectorySelectionForm& d) {
            EXPECT_EQ(d.windowTitle(), "Select A Directory...");
            d.SetDirectory(added.path());
            EXPECT_EQ(d.DirectoryLabel->text(), added.path());
            d.grab().save(ScreenshotPath("directory_selection"));
            d.OkButton->click();
        });
        s.AddButton->click();
        ASSERT_EQ(s.DirectoriesListBox->count(), 3);
        EXPECT_EQ(s.DirectoriesListBox->item(2)->text(), added.path() + "/");
        // Nothing is applied before OK.
        EXPECT_EQ(SoundFileSearch().searchDirectories.size(), 3u);
        EXPECT_EQ(SoundFileSearch().searchDirectories[1], "/b/");
        s.OkButton->click();
    });
    f.form->EditSettingsItem->trigger();

    const std::vector<std::string> expected = {"/a/", "/c/", added.path().toStdString() + "/"};
    EXPECT_EQ(SoundFileSearch().searchDirectories, expected);
    f.form->close();
    EXPECT_EQ(f.settings.ReadString("SFPaths", "Path_0"), "/a/");
    EXPECT_EQ(f.settings.ReadString("SFPaths", "Path_1"), "/c/");
    EXPECT_EQ(f.settings.ReadString("SFPaths", "Path_2"), expected[2]);
    EXPECT_FALSE(f.settings.ValueExists("SFPaths", "Path_3"));
}

TEST(SettingsFormTest, DirectorySelectionCancelAddsNothing) {
    TSearchDirectoriesGuard dirs;
    TWindowFixture f;
    TSettingsForm& s = *f.form->SettingsForm;
    s.FormShow();
    OnNextModal<TDirectorySelectionForm>(
        [](TDirectorySelectionForm& d) { d.CancelButton->click(); });
    s.AddButton->click();
    EXPECT_EQ(s.DirectoriesListBox->count(), 0);
    EXPECT_FALSE(s.ApplyButton->isEnabled());
}

// The device values chosen are what the engine writes at exit.
TEST(SettingsFormTest, AppliedDeviceSettingsAreSavedAtExit) {
    TSearchDirectoriesGuard dirs;
    TRecordedMessages messages;
    TMessageBox* previous = SetMessages(&messages);
    TMemorySettingsStore store;
    VXNullAudioSystem audio;
    {
        TAudioEngineModule engine(&store, audio, nullptr);
        TDirectorySelectionForm directories;
        TSettingsForm s(engine, directories);
        s.FormShow();
        Select(s.OutBufferSizeComboBox, "16384");
        Select(s.OutBufferCountComboBox, "4");
        Select(s.InBufferCountComboBox, "7");
        s.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&s));
        s.grab().save(ScreenshotPath("settings_output"));
        s.PageControl->setCurrentIndex(1);
        s.grab().save(ScreenshotPath("settings_input"));
        s.OkButton->click();
        EXPECT_FALSE(s.isVisible());
    }
    EXPECT_EQ(store.ReadInteger("OutStream", "BufferSize"), 16384);
    EXPECT_EQ(store.ReadInteger("OutStream", "BufferCount"), 4);
    EXPECT_EQ(store.ReadInteger("InStream", "BufferSize"), 16384);
    EXPECT_EQ(store.ReadInteger("InStream", "BufferCount"), 7);
    SetMessages(previous);
}

} // namespace
