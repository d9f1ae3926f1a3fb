#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include "forms/contraption_form.h"
#include "document/document.h"
#include "app/help_viewer.h"
#include "forms/patterned_scroll_box.h"
#include "document/reload_manager.h"
#include "controls/knob.h"
#include "controls/meter.h"
#include "gui_test_support.h"
#include "host/sound_out.h"

namespace {

TEST(MainWindowTest, NewMenuHoldsTheGroupsAndMakesEachTypeOnce) {
    TWindowFixture f;
    QStringList groups;
    for (QAction* a : f.form->PatcherNewMenu->actions())
        if (a->menu() != nullptr)
            groups << a->text();
    EXPECT_EQ(groups.mid(0, 6),
              (QStringList{"I/O", "Signal Generators", "Effects", "Filters", "Mixers", "Busses"}));

    TQuorlingContraption* gen = f.Create("TestGen", {40, 40});
    ASSERT_NE(gen, nullptr);
    EXPECT_EQ(gen->name, "TestGen_1");
    EXPECT_EQ(gen->processor->context, &f.engine->context);
    EXPECT_FALSE(f.form->DACsSpeedButton->isEnabled());

    ASSERT_NE(f.Create("SoundOut", {40, 140}), nullptr);
    EXPECT_TRUE(f.form->DACsSpeedButton->isEnabled());
    EXPECT_TRUE(f.form->ControlStartAudioOutItem->isEnabled());

    // A second sound output: the item is disabled at the next press, and
    // the maker refuses with its message if asked all the same.
    EXPECT_EQ(f.Create("SoundOut", {140, 140}), nullptr);
    EXPECT_FALSE(f.form->SoundOutItem->isEnabled());
    f.form->CreateContraptionClick(f.factory.FindMaker("SoundOut"));
    ASSERT_FALSE(f.messages.said.empty());
    EXPECT_EQ(f.messages.said.back().text,
              "Sorry, you are only permitted to create one instance of the SoundOut object.");
    EXPECT_EQ(f.messages.said.back().caption, "Object instansiation failed!");
    EXPECT_EQ(f.Patcher()->NodeCount(), 2);

    ASSERT_NE(f.Create("SoundIn", {140, 40}), nullptr);
    EXPECT_FALSE(f.form->SoundInItem->isEnabled());
    EXPECT_TRUE(f.form->ControlUseInputFileItem->isEnabled());
}

TEST(MainWindowTest, ConnectionsAndDeletionsReachTheEngine) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {20, 20});
    TQuorlingContraption* gen2 = f.Create("TestGen", {120, 20});
    TQuorlingContraption* out = f.Create("SoundOut", {60, 140});
    ASSERT_TRUE(gen && gen2 && out);

    f.Connect(gen, 0, out, 1);
    ASSERT_EQ(f.Patcher()->ConnectionCount(), 1);
    EXPECT_EQ(out->processor->inlets[1].source, gen->processor);

    // An occupied inlet is refused: neither the pane nor the engine change.
    f.Connect(gen2, 0, out, 1);
    EXPECT_EQ(f.Patcher()->ConnectionCount(), 1);
    EXPECT_EQ(out->processor->inlets[1].source, gen->processor);

    // Deleting the node deletes the contraption and its connections.
    QTest::mouseClick(f.PatcherView(), Qt::LeftButton, {}, TWindowFixture::Body(f.NodeOf(gen)));
    QTest::keyClick(f.PatcherView(), Qt::Key_Delete);
    EXPECT_EQ(f.Patcher()->NodeCount(), 2);
    EXPECT_EQ(f.factory.FindContraption("TestGen_1"), nullptr);
    EXPECT_FALSE(out->processor->IsInletConnected(1));
    EXPECT_TRUE(f.Patcher()->Modified);
}

TEST(MainWindowTest, DeletingTheSoundOutputStopsAudioOut) {
    TWindowFixture f;
    TQuorlingContraption* out = f.Create("SoundOut", {60, 60});
    ASSERT_NE(out, nullptr);
    f.form->ControlStartAudioOutItem->trigger();
    ASSERT_TRUE(f.engine->AudioOutRunning());
    EXPECT_TRUE(f.form->DACsSpeedButton->isChecked());
    QTest::mouseClick(f.PatcherView(), Qt::LeftButton, {}, TWindowFixture::Body(f.NodeOf(out)));
    QTest::keyClick(f.PatcherView(), Qt::Key_Delete);
    EXPECT_FALSE(f.engine->AudioOutRunning());
    EXPECT_FALSE(f.engine->SoundOutPresent());
    EXPECT_FALSE(f.form->DACsSpeedButton->isEnabled());
}

TEST(MainWindowTest, ClockWithoutSoundOutputStartsOnlyTheClock) {
    TWindowFixture f;
    f.form->StartClockButton->click();
    EXPECT_TRUE(f.engine->context.clockRunning);
    EXPECT_FALSE(f.engine->AudioOutRunning());
    EXPECT_FALSE(f.form->ControlStartAudioOutItem->isEnabled());
    EXPECT_EQ(f.form->StartClockButton->toolTip(), "Pause Clock");
    EXPECT_TRUE(f.form->StopClockButton->isEnabled());
    f.form->StopClockButton->click();
    EXPECT_FALSE(f.engine->context.clockRunning);
    EXPECT_EQ(f.form->TimecodePanel->text(), "000:0");
    EXPECT_EQ(f.form->StartClockButton->toolTip(), "Start Clock");
}

TEST(MainWindowTest, TempoField) {
    TWindowFixture f;
    const double before = f.engine->context.samplesPerTick;
    QLineEdit* edit = f.form->TempoEdit;
    edit->selectAll();
    // Each keystroke counts: "3" and "30" are tempos, "300" is not and
    // keeps the tempo typed before it.
    QTest::keyClicks(edit, "300");
    EXPECT_EQ(edit->palette().color(QPalette::Text),
              f.form->palette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_EQ(f.form->Tempo(), 30);
    EXPECT_DOUBLE_EQ(f.engine->context.samplesPerTick, 44100.0 / (30 * 24 / 60.0));
    edit->setText("120");
    EXPECT_EQ(f.engine->context.samplesPerTick, before);
    edit->setText("300"); // pasted
    EXPECT_EQ(f.form->Tempo(), 120);
    EXPECT_EQ(f.engine->context.samplesPerTick, before);

    edit->selectAll();
    f.form->document->modified = false;
    QTest::keyClicks(edit, "90");
    EXPECT_EQ(edit->palette().color(QPalette::Text),
              f.form->palette().color(QPalette::Active, QPalette::Text));
    EXPECT_EQ(f.form->Tempo(), 90);
    EXPECT_DOUBLE_EQ(f.engine->context.samplesPerTick, 44100.0 / (90 * 24 / 60.0));
    EXPECT_TRUE(f.form->document->modified);

    // The arrows step the field.
    QTest::mouseClick(f.form->TempoUpDown->UpButton, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "91");
    EXPECT_EQ(f.form->Tempo(), 91);
}

TEST(MainWindowTest, TimecodeShowsBarAndBeat) {
    const struct {
        unsigned ticks;
        const char* text;
    } cases[] = {{0, "0:1"}, {96, "1:1"}, {150, "1:3"}, {96 * 12 + 72, "12:4"}};
    for (const auto& c : cases)
        EXPECT_EQ(TMainForm::Timecode(c.ticks), c.text) << c.ticks;
}

TEST(MainWindowTest, CommandLineParsing) {
    QTemporaryDir dir;
    const QString doc = dir.filePath("song.odh");
    QFile file(doc);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString missing = dir.filePath("none.odh");

    struct Case {
        QStringList args;
        bool document;
        bool dacs, adcs, clock;
        const char* error;
    };
    const Case cases[] = {
        {{doc, "/startdacs", "/StartClock"}, true, true, false, true, nullptr},
        {{"/STARTADCS", doc}, true, false, true, false, nullptr},
        {{missing}, false, false, false, false, nullptr},
        {{doc, "/play"},
         true,
         false,
         false,
         false,
         "Bad command line parameter number 2: \"/play\""},
        {{doc, "/STARTDACS", "other.odh", "/STARTCLOCK"},
         true,
         true,
         false,
         false,
         "Bad command line parameter number 3: \"other.odh\""},
    };
    for (const Case& c : cases) {
        const TCommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.documentPath.has_value(), c.document) << c.args.join(' ').toStdString();
        EXPECT_EQ(line.startDACs, c.dacs);
        EXPECT_EQ(line.startADCs, c.adcs);
        EXPECT_EQ(line.startClock, c.clock);
        EXPECT_EQ(line.error.value_or(""), c.error ? c.error : "");
    }
}

// A document with a sound output and a test generator feeding it.
QString WriteSmallDocument(const QTemporaryDir& dir) {
    const QString path = dir.filePath("small.odh");
    TWindowFixture f({}, false);
    TQuorlingContraption* gen = f.Create("TestGen", {20, 20});
    TQuorlingContraption* out = f.Create("SoundOut", {20, 120});
    f.Connect(gen, 0, out, 0);
    EXPECT_TRUE(f.form->document->SaveAs(path.toStdString()));
    return path;
}

TEST(MainWindowTest, CommandLineOpensTheDocumentAndStartsWhatItAsks) {
    QTemporaryDir dir;
    const QString path = WriteSmallDocument(dir);
    {
        // "STARTCLOCK" alone starts nothing.
        TWindowFixture f({path, "/STARTCLOCK"}, false);
        EXPECT_EQ(f.Patcher()->NodeCount(), 2);
        EXPECT_EQ(f.form->windowTitle(), "small - Ondrafel");
        EXPECT_FALSE(f.engine->context.clockRunning);
        EXPECT_FALSE(f.engine->AudioOutRunning());
    }
    {
        TWindowFixture f({path, "/STARTDACS", "/STARTCLOCK"}, false);
        EXPECT_TRUE(f.engine->AudioOutRunning());
        EXPECT_TRUE(f.engine->context.clockRunning);
        EXPECT_TRUE(f.form->DACsSpeedButton->isChecked());
    }
    {
        // Two document names: the error for the second, the first opened.
        TModalAnswerer ok(QMessageBox::Ok);
        TWindowFixture f({path, path}, false);
        ASSERT_EQ(ok.texts.size(), 1u);
        EXPECT_EQ(ok.texts[0].first, "Ondrafel Command Line Error");
        EXPECT_EQ(ok.texts[0].second,
                  QStringLiteral("Bad command line parameter number 2: \"%1\"").arg(path));
        EXPECT_EQ(f.Patcher()->NodeCount(), 2);
    }
}

TEST(MainWindowTest, SaveNewAndReopen) {
    QTemporaryDir dir;
    const QString path = dir.filePath("patch.odh");
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    TQuorlingContraption* out = f.Create("SoundOut", {30, 130});
    f.Connect(gen, 0, out, 0);
    f.DoubleClick(gen);
    f.form->SaveDialog = [&](const std::string&) { return path.toStdString(); };
    f.form->FileSaveItem->trigger();
    EXPECT_EQ(f.form->windowTitle(), "patch - Ondrafel");

    f.form->FileNewItem->trigger();
    EXPECT_EQ(f.Patcher()->NodeCount(), 0);
    EXPECT_EQ(f.form->windowTitle(), "Untitled - Ondrafel");

    f.form->FileMenuPopup();
    ASSERT_EQ(f.form->FileReopenMenu->actions().size(), 1);
    EXPECT_TRUE(f.form->FileReopenMenu->isEnabled());
    QAction* item = f.form->FileReopenMenu->actions()[0];
    EXPECT_EQ(item->text(), "&0 " + path);
    item->trigger();
    ASSERT_EQ(f.Patcher()->NodeCount(), 2);
    EXPECT_EQ(f.Patcher()->ConnectionCount(), 1);
    TQuorlingContraption* reopened = f.factory.FindContraption("TestGen_1");
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(reopened->formState->form, nullptr); // its window was open
    EXPECT_EQ(f.form->windowTitle(), "patch - Ondrafel");
}

TEST(MainWindowTest, ClosePromptCancelKeepsTheWindowOpen) {
    TWindowFixture f;
    f.Create("TestGen", {30, 30});
    {
        TModalAnswerer cancel(QMessageBox::Cancel);
        f.form->close();
        ASSERT_EQ(cancel.texts.size(), 1u);
        EXPECT_EQ(cancel.texts[0].second.toStdString(), ODAskSaveChangesText);
    }
    EXPECT_TRUE(f.form->isVisible());
    {
        TModalAnswerer no(QMessageBox::No);
        f.form->close();
    }
    EXPECT_FALSE(f.form->isVisible());
}

TEST(MainWindowTest, FileMenuEnablesSaveAndRevertAsTheDocumentIs) {
    TWindowFixture f;
    f.form->FileMenuPopup();
    EXPECT_FALSE(f.form->FileSaveItem->isEnabled());
    EXPECT_FALSE(f.form->FileRevertItem->isEnabled());
    EXPECT_FALSE(f.form->FileReopenMenu->isEnabled());
    f.Create("TestGen", {30, 30});
    f.form->FileMenuPopup();
    EXPECT_TRUE(f.form->FileSaveItem->isEnabled());
    EXPECT_FALSE(f.form->FileRevertItem->isEnabled()); // untitled
    for (QAction* a : {f.form->EditCutItem, f.form->EditCopyItem, f.form->EditPasteItem,
                       f.form->EditClearItem, f.form->EditSelectAllItem})
        EXPECT_FALSE(a->isEnabled());
}

TEST(MainWindowTest, PaneTogglesAndResizing) {
    TWindowFixture f;
    TMainForm& w = *f.form;
    ASSERT_GT(w.ClientWidth(), 400);
    w.SetPatcherPaneWidth(180);
    EXPECT_EQ(w.Panel2->width(), 180);
    EXPECT_EQ(w.ScrollBox->x(), 183);

    // Both hidden: an empty client area; the patcher then fills it.
    w.ViewPatcherPaneItem->trigger();
    w.ViewPropertiesPaneItem->trigger();
    EXPECT_FALSE(w.Panel2->isVisible());
    EXPECT_FALSE(w.ScrollBox->isVisible());
    w.ViewPatcherPaneItem->trigger();
    EXPECT_TRUE(w.Panel2->isVisible());
    EXPECT_EQ(w.Panel2->width(), w.ClientWidth());
    EXPECT_FALSE(w.WinSplit1->isVisible());
    // The properties pane back: the patcher pane, too wide now, is halved.
    w.ViewPropertiesPaneItem->trigger();
    EXPECT_EQ(w.Panel2->width(), w.ClientWidth() / 2);
    EXPECT_TRUE(w.WinSplit1->isVisible());
    EXPECT_EQ(w.ScrollBox->x(), w.Panel2->width() + 3);

    // Shrinking the window shrinks the pane in proportion.
    w.SetPatcherPaneWidth(180);
    const int before = w.ClientWidth();
    w.resize(200 + (w.width() - before), w.height());
    QApplication::processEvents();
    const int client = w.ClientWidth();
    const int expected = std::min(
        static_cast<int>(static_cast<float>(client) * (180.0f / static_cast<float>(before))),
        client - 30);
    EXPECT_EQ(w.Panel2->width(), expected);
    EXPECT_EQ(w.ScrollBox->width(), client - expected - 3);
}

TEST(MainWindowTest, ThePatchPlaysOnTheNullDeviceWithMetersAndClock) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    TQuorlingContraption* out = f.Create("SoundOut", {30, 130});
    f.Connect(gen, 0, out, 0);
    f.Connect(gen, 0, out, 1);
    f.DoubleClick(gen);
    auto* knob = f.form->ScrollBox->findChild<VXDWKnob*>("VolumeKnob");
    ASSERT_NE(knob, nullptr);
    knob->SetValue(0.8);
    f.form->StartClockButton->click();
    ASSERT_TRUE(f.engine->AudioOutRunning());
    EXPECT_TRUE(f.form->MeterUpdateTimer->isActive());
    EXPECT_TRUE(f.form->UIUpdateTimer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.form->OutputMeter->LitSegments(0) > 0; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString t = f.form->TimecodePanel->text();
            return t != "000:0" && t != "0:1";
        },
        20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.form->StatusPanel0->text.startsWith("CPU Load: "); },
                                20000));
    f.form->grab().save(ScreenshotPath("main_window_playing"));
    f.form->ControlStopAudioOutItem->trigger();
    EXPECT_FALSE(f.engine->AudioOutRunning());
    EXPECT_EQ(f.form->OutputMeter->LitSegments(0), 0);
}

TEST(MainWindowTest, PlacementIsRestoredAndSaved) {
    TWindowFixture f;
    EXPECT_FALSE(f.form->isMaximized());
    f.form->ViewToolbarItemClick();
    EXPECT_FALSE(f.form->SpeedPanel->isVisible());
    f.form.reset();
    EXPECT_EQ(f.settings.ReadInteger("Main Window", "ToolBar"), 0);
    EXPECT_EQ(f.settings.ReadInteger("Main Window", "StatusBar"), 1);
    EXPECT_EQ(f.settings.ReadInteger("Main Window", "Maximized"), 0);
}

// Started from the repository with "examples/song.odh", as the README's
// run command does: every path the window hands on is absolute, so the
// save dialog's proposal, the save itself and the recent files work from
// any directory.
TEST(MainWindowTest, PathsAreAbsoluteWhereTheyEnter) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("examples"));
    const QString previous = QDir::currentPath();
    {
        QTemporaryDir scratch;
        const QString written = WriteSmallDocument(scratch);
        ASSERT_TRUE(QFile::copy(written, dir.filePath("examples/song.odh")));
    }
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const std::string absolute = QFileInfo(dir.filePath("examples/song.odh"))
                                     .canonicalFilePath()
                                     .toStdString();
    EXPECT_EQ(ParseCommandLine({"examples/song.odh"}).documentPath.value_or(""),
              QFileInfo(dir.filePath("examples/song.odh")).absoluteFilePath().toStdString());
    {
        TWindowFixture f({"./examples/../examples/song.odh"});
        EXPECT_EQ(f.Patcher()->NodeCount(), 2);
        std::string proposed;
        f.form->SaveDialog = [&](const std::string& p) {
            proposed = p;
            return p;
        };
        {
            TModalAnswerer no(QMessageBox::No);
            f.form->FileNewItem->trigger();
        }
        f.Create("TestGen", {30, 30});
        f.form->FileSaveItem->trigger();
        EXPECT_EQ(QFileInfo(QString::fromStdString(proposed)).absolutePath(),
                  QFileInfo(dir.filePath("examples")).absoluteFilePath());
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(proposed))) << proposed;
        EXPECT_TRUE(f.messages.said.empty());
        ASSERT_FALSE(f.form->reloadManager->entries.empty());
        EXPECT_EQ(f.form->reloadManager->entries.front(), absolute);
    }
    ASSERT_TRUE(QDir::setCurrent(previous));
}

// No output device can be opened: a clock asked to run with the output
// must not show running while it stands still.
TEST(MainWindowTest, TheClockStaysStoppedWhenTheOutputCannotStart) {
    QTemporaryDir dir;
    const QString path = WriteSmallDocument(dir);
    TWindowFixture f({path, "/STARTDACS", "/STARTCLOCK"}, true, 1000, true);
    EXPECT_FALSE(f.engine->AudioOutRunning());
    EXPECT_FALSE(f.engine->context.clockRunning);
    EXPECT_EQ(f.form->StartClockButton->toolTip(), "Start Clock");
    EXPECT_FALSE(f.form->StopClockButton->isEnabled());

    f.messages.said.clear();
    f.failing.failOpen = TWindowFixture::kFailedOpen;
    f.form->StartClockButton->click();
    EXPECT_FALSE(f.messages.said.empty()); // the device error is told
    EXPECT_FALSE(f.engine->context.clockRunning);
    EXPECT_FALSE(f.form->StopClockButton->isEnabled());
    EXPECT_TRUE(f.form->ControlStartClockItem->isEnabled());
}

TEST(MainWindowTest, NewClearsTheTimecodeAndTheLoad) {
    TWindowFixture f;
    TQuorlingContraption* gen = f.Create("TestGen", {30, 30});
    TQuorlingContraption* out = f.Create("SoundOut", {30, 130});
    f.Connect(gen, 0, out, 0);
    f.form->StartClockButton->click();
    ASSERT_TRUE(f.engine->AudioOutRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.form->TimecodePanel->text() != "000:0"; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.form->StatusPanel0->text.isEmpty(); }, 20000));
    {
        TModalAnswerer no(QMessageBox::No);
        f.form->FileNewItem->trigger();
    }
    EXPECT_EQ(f.form->TimecodePanel->text(), "000:0");
    EXPECT_TRUE(f.form->StatusPanel0->text.isEmpty());
    EXPECT_FALSE(f.form->StatusPanel0->drawn);
}

// A narrow window squeezes the pane; it does not take the document's
// width away, neither on the screen once there is room nor in the file.
TEST(MainWindowTest, TheDocumentsPaneWidthSurvivesANarrowWindow) {
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.odh");
    {
        TWindowFixture f({}, false);
        f.Create("TestGen", {20, 20});
        f.form->SetPatcherPaneWidth(420);
        ASSERT_TRUE(f.form->document->SaveAs(path.toStdString()));
    }
    TWindowFixture f({path}, true, 640);
    TMainForm& w = *f.form;
    ASSERT_GT(w.ClientWidth(), 420 + 30);
    EXPECT_EQ(w.Panel2->width(), 420);

    const int frame = w.width() - w.ClientWidth();
    w.resize(300 + frame, w.height());
    QApplication::processEvents();
    EXPECT_LT(w.Panel2->width(), 300 - 30 + 1);
    w.resize(1200 + frame, w.height());
    QApplication::processEvents();
    EXPECT_EQ(w.Panel2->width(), 420);
    EXPECT_EQ(w.PatcherPaneWidth(), 420);
    w.resize(300 + frame, w.height());
    QApplication::processEvents();
    EXPECT_EQ(w.PatcherPaneWidth(), 420); // what a save writes
}

TEST(MainWindowTest, PopupDeleteAndTheEditMenuFollowTheKeys) {
    TWindowFixture f;
    TQuorlingContraption* a = f.Create("TestGen", {20, 20});
    TQuorlingContraption* b = f.Create("TestGen", {20, 120});
    ASSERT_TRUE(a && b);
    // A right click on a node selects it and offers "Delete".
    const QPoint at = TWindowFixture::Body(f.NodeOf(a));
    QTest::mousePress(f.PatcherView(), Qt::RightButton, {}, at);
    QTest::mouseRelease(f.PatcherView(), Qt::RightButton, {}, at);
    QApplication::processEvents();
    f.form->PatcherPopup->hide();
    EXPECT_TRUE(f.form->PatcherDeleteItem->isEnabled());
    f.form->PatcherDeleteItem->trigger();
    EXPECT_EQ(f.Patcher()->NodeCount(), 1);
    EXPECT_EQ(f.factory.FindContraption("TestGen_1"), nullptr);
    // On the empty background with nothing selected, it is not offered.
    QTest::mousePress(f.PatcherView(), Qt::RightButton, {}, {300, 300});
    QTest::mouseRelease(f.PatcherView(), Qt::RightButton, {}, {300, 300});
    QApplication::processEvents();
    f.form->PatcherPopup->hide();
    EXPECT_FALSE(f.form->PatcherDeleteItem->isEnabled());

    emit f.form->EditMenu->aboutToShow();
    EXPECT_TRUE(f.form->EditSelectAllItem->isEnabled());
    EXPECT_FALSE(f.form->EditClearItem->isEnabled());
    f.form->EditSelectAllItem->trigger();
    EXPECT_EQ(f.Patcher()->SelectedNodes().size(), 1u);
    emit f.form->EditMenu->aboutToShow();
    EXPECT_TRUE(f.form->EditClearItem->isEnabled());
    f.form->EditClearItem->trigger();
    EXPECT_EQ(f.Patcher()->NodeCount(), 0);
    emit f.form->EditMenu->aboutToShow();
    EXPECT_FALSE(f.form->EditSelectAllItem->isEnabled());
    EXPECT_FALSE(f.form->EditClearItem->isEnabled());
}

TEST(MainWindowTest, KeysForTheOutputTheHelpAndQuitting) {
    TWindowFixture f;
    f.Create("SoundOut", {30, 130});
    f.form->activateWindow();
    f.PatcherView()->setFocus();
    QApplication::processEvents();
    QTest::keyClick(f.PatcherView(), Qt::Key_Space);
    EXPECT_TRUE(f.engine->AudioOutRunning());
    QTest::keyClick(f.PatcherView(), Qt::Key_Space);
    EXPECT_FALSE(f.engine->AudioOutRunning());
    // In a text field Space is a character.
    f.form->TempoEdit->setFocus();
    QTest::keyClick(f.form->TempoEdit, Qt::Key_Space);
    EXPECT_FALSE(f.engine->AudioOutRunning());

    f.form->HelpViewer->ShowContents();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.form->HelpViewer));
    QTest::keyClick(f.form->HelpViewer, Qt::Key_Escape);
    EXPECT_FALSE(f.form->HelpViewer->isVisible());

    EXPECT_EQ(f.form->FileExitItem->shortcut(), QKeySequence("Ctrl+Q"));
    {
        TModalAnswerer no(QMessageBox::No);
        f.form->FileExitItem->trigger();
    }
    EXPECT_FALSE(f.form->isVisible());
}

TEST(MainWindowTest, TheCaptionMarksUnsavedChanges) {
    QTemporaryDir dir;
    TWindowFixture f;
    EXPECT_EQ(f.form->windowTitle(), "Untitled - Ondrafel");
    f.Create("TestGen", {30, 30});
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.form->windowTitle() == "*Untitled - Ondrafel"; },
                                5000));
    f.form->SaveDialog = [&](const std::string&) { return dir.filePath("mark.odh").toStdString(); };
    f.form->FileSaveItem->trigger();
    EXPECT_EQ(f.form->windowTitle(), "mark - Ondrafel");
}

// New windows open one beside the other in view, not stacked on one spot.
TEST(MainWindowTest, NewWindowsOpenAtFreeSpotsInView) {
    TWindowFixture f;
    std::vector<QRect> shown;
    for (int i = 0; i < 4; ++i) {
        TQuorlingContraption* gen = f.Create("TestGen", {20, 20 + 60 * i});
        ASSERT_NE(gen, nullptr);
        f.DoubleClick(gen);
        auto* form = dynamic_cast<TContraptionForm*>(gen->formState->form);
        ASSERT_NE(form, nullptr);
        shown.push_back(form->geometry());
    }
    const QRect view(f.form->ScrollBox->HorzPosition(), f.form->ScrollBox->VertPosition(),
                     f.form->ScrollBox->viewport()->width(),
                     f.form->ScrollBox->viewport()->height());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(view.contains(shown[i])) << i;
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(shown[i].intersects(shown[j])) << i << " " << j;
    }
    f.form->grab().save(ScreenshotPath("main_window_new_windows"));
}

// On a narrow window the transport moves behind the toolbar's "»" button,
// which must open to show it.
TEST(MainWindowTest, TheTransportIsReachableOnANarrowWindow) {
    TWindowFixture f({}, true, 520);
    auto* transport = f.form->SpeedPanel->findChild<QWidget*>("TransportPanel");
    ASSERT_NE(transport, nullptr);
    auto* more = f.form->SpeedPanel->findChild<QToolButton*>("qt_toolbar_ext_button");
    ASSERT_NE(more, nullptr);
    if (transport->isVisible())
        GTEST_SKIP() << "the transport fits at this width";
    ASSERT_TRUE(more->isVisible());
    more->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return transport->isVisible(); }, 2000));
    EXPECT_TRUE(f.form->SpeedPanel->geometry().contains(transport->geometry().translated(
        f.form->SpeedPanel->pos())));
    f.form->grab().save(ScreenshotPath("main_window_narrow_transport"));
}

// A wrong character in the tempo is shown in the field; no box takes the
// keyboard away, and the tempo stays.
TEST(MainWindowTest, AWrongCharacterInTheTempoStaysInTheField) {
    TWindowFixture f;
    QLineEdit* edit = f.form->TempoEdit;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "9x");
    EXPECT_TRUE(f.messages.said.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->toolTip(), "'9x' is not a valid integer value.");
    EXPECT_EQ(f.form->Tempo(), 9);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, "0");
    EXPECT_EQ(f.form->Tempo(), 90);
    EXPECT_EQ(edit->toolTip(), "Tempo (bpm)");
}

} // namespace
