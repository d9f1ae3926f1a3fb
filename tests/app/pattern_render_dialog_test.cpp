#include <QFontMetrics>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/pattern_to_wave_form.h"
#include "forms/patterned_scroll_box.h"
#include "app/progress_form.h"
#include "document/remembered_directories.h"
#include "controls/knob.h"
#include "dialog_test_support.h"
#include "gui_test_support.h"
#include "host/pattern_render.h"

namespace {

std::uint32_t U32At(const QByteArray& bytes, int offset) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.constData() + offset, 4);
    return v;
}

// A sine into both sides of the sound output, audible.
struct TRenderFixture : TWindowFixture {
    QTemporaryDir dir;
    std::vector<std::string> proposed;
    std::string chosen;
    std::vector<bool> outputRunningWhileAsked;

    TRenderFixture() {
        ForgetDirectories();
        TQuorlingContraption* gen = Create("TestGen", {30, 30});
        TQuorlingContraption* out = Create("SoundOut", {30, 130});
        Connect(gen, 0, out, 0);
        Connect(gen, 0, out, 1);
        DoubleClick(gen);
        if (auto* knob = form->ScrollBox->findChild<VXDWKnob*>("VolumeKnob"))
            knob->SetValue(0.5);
        chosen = (dir.path() + "/take.wav").toStdString();
        form->Pattern2WaveForm->SaveDialog = [this](const std::string& p) {
            proposed.push_back(p);
            outputRunningWhileAsked.push_back(engine->AudioOutRunning());
            return std::optional<std::string>(chosen);
        };
    }
    ~TRenderFixture() { ForgetDirectories(); }

    // Runs "Save Pattern as Wave File..." with these bars, pressing OK.
    void Render(const QString& preRoll, const QString& record) {
        OnNextModal<TPattern2WaveForm>([&](TPattern2WaveForm& d) {
            d.PreRollEdit->setText(preRoll);
            d.RecordEdit->setText(record);
            d.OkButton->click();
        });
        form->FileSavePatternItem->trigger();
    }
};

TEST(PatternRenderDialogTest, RendersOneBarIntoTheChosenFile) {
    TRenderFixture f;
    ASSERT_TRUE(f.engine->SoundOutPresent());
    f.form->ControlStartAudioOutItem->trigger();
    ASSERT_TRUE(f.engine->AudioOutRunning());
    double lastProgress = -1.0;
    bool progressShown = false;
    auto* probe = new QTimer(f.form.get());
    probe->setInterval(0);
    QObject::connect(probe, &QTimer::timeout, [&] {
        if (f.form->ProgressForm->isVisible()) {
            progressShown = true;
            lastProgress = f.form->ProgressForm->Progress();
        }
    });
    probe->start();

    f.Render("0", "1");
    probe->stop();

    // Devices are stopped while the dialog runs and restarted after it.
    ASSERT_EQ(f.outputRunningWhileAsked.size(), 1u);
    EXPECT_FALSE(f.outputRunningWhileAsked[0]);
    EXPECT_TRUE(f.engine->AudioOutRunning());
    f.form->ControlStopAudioOutItem->trigger();

    // The proposal is the program's directory (nothing remembered yet); the
    // chosen file's directory is remembered for recordings.
    EXPECT_EQ(f.proposed[0], RememberedDirectory(TDirectoryKind::Document) + "/Untitled.wav");
    EXPECT_EQ(RememberedDirectory(TDirectoryKind::Recording), f.dir.path().toStdString());

    // One bar at 120 bpm: 88200 frames.
    QFile file(QString::fromStdString(f.chosen));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 44 + 352800);
    EXPECT_EQ(U32At(bytes, 4), 352836u);
    EXPECT_EQ(U32At(bytes, 40), 352800u);
    bool sound = false;
    for (int i = 44; i < bytes.size() && !sound; ++i)
        sound = bytes[i] != 0;
    EXPECT_TRUE(sound);

    EXPECT_TRUE(progressShown);
    EXPECT_DOUBLE_EQ(f.form->ProgressForm->Progress(), 1.0);
    EXPECT_GT(lastProgress, 0.0);
    EXPECT_FALSE(f.form->ProgressForm->isVisible());
    EXPECT_TRUE(f.messages.said.empty());
}

TEST(PatternRenderDialogTest, TheClockIsPutBack) {
    struct Case {
        bool running;
        double before;
        double after;
    };
    for (const Case c : {Case{true, 100.4, 101.0}, Case{false, 250.0, 0.0}}) {
        TRenderFixture f;
        f.engine->context.clockRunning = c.running;
        f.engine->context.tickPosition = c.before;
        f.Render("1", "1");
        EXPECT_EQ(f.engine->context.clockRunning.load(), c.running);
        EXPECT_DOUBLE_EQ(f.engine->context.tickPosition.load(), c.after);
        EXPECT_EQ(QFileInfo(QString::fromStdString(f.chosen)).size(), 44 + 352800);
    }
}

TEST(PatternRenderDialogTest, AFileThatCannotBeCreatedIsReported) {
    TRenderFixture f;
    f.chosen = (f.dir.path() + "/missing/take.wav").toStdString();
    f.Render("0", "2");
    ASSERT_EQ(f.messages.said.size(), 1u);
    EXPECT_EQ(f.messages.said[0].text, "An error occurred while saving the file.\n" + f.chosen +
                                           ": No such file or directory");
    EXPECT_EQ(f.messages.said[0].caption, "Ondrafel");
    EXPECT_FALSE(f.form->ProgressForm->isVisible());
    EXPECT_FALSE(f.engine->context.clockRunning.load());
}

TEST(PatternRenderDialogTest, CancelRendersNothing) {
    TRenderFixture f;
    OnNextModal<TPattern2WaveForm>([](TPattern2WaveForm& d) { d.CancelButton->click(); });
    f.form->FileSavePatternItem->trigger();
    EXPECT_TRUE(f.proposed.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(f.chosen)));
}

TEST(PatternRenderDialogTest, BarsOutsideTheirRangeTurnGrey) {
    TWindowFixture f;
    TPattern2WaveForm& d = *f.form->Pattern2WaveForm;
    const QColor grey = d.palette().color(QPalette::Disabled, QPalette::Text);
    const QColor normal = d.palette().color(QPalette::Active, QPalette::Text);
    struct Case {
        QLineEdit* edit;
        TUpDown* upDown;
        const char* text;
        bool inRange;
        int position; // of the up-down afterwards
    };
    const Case cases[] = {
        {d.PreRollEdit, d.PreRollUpDown, "4", true, 4},
        {d.PreRollEdit, d.PreRollUpDown, "33", false, 4},
        {d.PreRollEdit, d.PreRollUpDown, "0", true, 0},
        {d.PreRollEdit, d.PreRollUpDown, "x", false, 0},
        {d.RecordEdit, d.RecordUpDown, "32", true, 32},
        {d.RecordEdit, d.RecordUpDown, "0", false, 32},
        {d.RecordEdit, d.RecordUpDown, "1", true, 1},
    };
    for (const Case& c : cases) {
        c.edit->setText(c.text);
        EXPECT_EQ(c.edit->palette().color(QPalette::Text), c.inRange ? normal : grey) << c.text;
        EXPECT_EQ(c.upDown->Position(), c.position) << c.text;
    }
    // The arrows write their position into the field.
    d.RecordUpDown->UpButton->click();
    EXPECT_EQ(d.RecordEdit->text(), "2");
    d.PreRollUpDown->DownButton->click(); // already at its minimum
    EXPECT_EQ(d.PreRollEdit->text(), "x");
    d.PreRollUpDown->UpButton->click();
    EXPECT_EQ(d.PreRollEdit->text(), "1");

    d.PreRollEdit->setText("2");
    d.RecordEdit->setText("40");
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    d.grab().save(ScreenshotPath("pattern_to_wave"));
    d.hide();
}

TEST(ProgressFormTest, PaintsOneCellPerEightPixelsDone) {
    TProgressForm p;
    p.Label1->setText("Rendering the pattern into");
    p.Label2->setText("/home/user/music/take.wav");
    p.setWindowTitle("Saving Pattern as Wave File...");
    p.ShowProgress();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    EXPECT_FALSE(p.CancelButton->isEnabled());
    EXPECT_EQ(p.PaintBox1->FilledCells(), 0);
    p.SetProgress(0.55);
    const int cells = p.PaintBox1->width() / 8;
    EXPECT_EQ(p.PaintBox1->FilledCells(), static_cast<int>(cells * 0.55));

    const QImage image = p.PaintBox1->grab().toImage();
    const QColor highlight = p.PaintBox1->palette().color(QPalette::Highlight);
    const int filled = p.PaintBox1->FilledCells();
    const int y = image.height() / 2;
    EXPECT_EQ(image.pixelColor(1 + 8 * (filled - 1) + 3, y), highlight);
    EXPECT_NE(image.pixelColor(1 + 8 * (filled - 1) + 6, y), highlight); // the gap
    EXPECT_NE(image.pixelColor(1 + 8 * filled + 3, y), highlight);
    p.grab().save(ScreenshotPath("progress"));

    // The user cannot close it; the job hides it.
    p.close();
    EXPECT_TRUE(p.isVisible());
    p.HideProgress();
    EXPECT_FALSE(p.isVisible());
}

// The window manager cuts a title that does not fit the window.
TEST(PatternRenderDialogTest, TheWholeTitleFits) {
    TRenderFixture f;
    TPattern2WaveForm& d = *f.form->Pattern2WaveForm;
    const int title =
        QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(d.windowTitle());
    EXPECT_GE(d.width(), title + 100);
}

} // namespace
