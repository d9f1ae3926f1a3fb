#include "contraptions/io/sound_in_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include "controls/glyphs.h"
#include "document/remembered_directories.h"
#include "contraptions/io/sound_out_window.h"
#include "controls/slider.h"
#include "framework/contraption.h"
#include "host/audio_engine_module.h"
#include "host/sound_in.h"

std::function<void()> TSoundInForm::SourceChanged;

TSoundInForm::TSoundInForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("SoundIn"), 1000, 300, 166),
      soundIn(static_cast<ODSoundIn*>(c.processor)),
      engine(dynamic_cast<TAudioEngineModule*>(c.engine)) {
    UseInputFileCheckBox = new QCheckBox(QStringLiteral("Use Input File"), Client());
    UseInputFileCheckBox->setObjectName("UseInputFileCheckBox");
    UseInputFileCheckBox->setGeometry(8, 22, 160, 18);

    Label1 = new QLabel(QStringLiteral("File:"), Client());
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 46, 30, 16);
    FileNamePanel = new QLabel(Client());
    FileNamePanel->setObjectName("FileNamePanel");
    FileNamePanel->setFrameShape(QFrame::Panel);
    FileNamePanel->setFrameShadow(QFrame::Sunken);
    FileNamePanel->setTextFormat(Qt::PlainText);
    FileNamePanel->setGeometry(38, 44, 224, 19);
    OpenButton = new QToolButton(Client());
    OpenButton->setObjectName("OpenButton");
    OpenButton->setText(QStringLiteral("..."));
    OpenButton->setToolTip(QStringLiteral("Select Source File"));
    OpenButton->setGeometry(266, 43, 26, 21);

    PlayStopButton = new QToolButton(Client());
    PlayStopButton->setObjectName("PlayStopButton");
    PlayStopButton->setGeometry(8, 68, 26, 22);
    PlayStopButton->setIconSize(QSize(16, 16));
    DurationLabel = new QLabel(Client());
    DurationLabel->setObjectName("DurationLabel");
    DurationLabel->setGeometry(42, 71, 220, 16);

    TrackBar1 = new QSlider(Qt::Horizontal, Client());
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 10000);
    TrackBar1->setGeometry(8, 94, 284, 20);

    RewindCheckBox = new QCheckBox(QStringLiteral("Auto Rewind"), Client());
    RewindCheckBox->setObjectName("RewindCheckBox");
    RewindCheckBox->setGeometry(8, 118, 110, 18);
    LoopCheckBox = new QCheckBox(QStringLiteral("Loop"), Client());
    LoopCheckBox->setObjectName("LoopCheckBox");
    LoopCheckBox->setGeometry(124, 118, 80, 18);

    DelayCaption = new QLabel(QStringLiteral("Delay:"), Client());
    DelayCaption->setObjectName("DelayCaption");
    DelayCaption->setGeometry(8, 144, 40, 16);
    DelaySlider = new VXDWSlider(Client());
    DelaySlider->setObjectName("DelaySlider");
    DelaySlider->SetOrientation(soHorizontal);
    DelaySlider->SetMin(0.0);
    DelaySlider->SetMax(20000.0);
    DelaySlider->setGeometry(48, 138, 160, 26);
    DelayLabel = new QLabel(Client());
    DelayLabel->setObjectName("DelayLabel");
    DelayLabel->setGeometry(214, 144, 80, 16);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    connect(UseInputFileCheckBox, &QCheckBox::clicked, this,
            &TSoundInForm::UseInputFileCheckBoxClick);
    connect(OpenButton, &QToolButton::clicked, this, &TSoundInForm::OpenButtonClick);
    connect(PlayStopButton, &QToolButton::clicked, this, &TSoundInForm::PlayStopButtonClick);
    connect(Timer1, &QTimer::timeout, this, &TSoundInForm::Timer1Timer);
    connect(TrackBar1, &QSlider::valueChanged, this, &TSoundInForm::TrackBar1Change);
    connect(RewindCheckBox, &QCheckBox::clicked, this, &TSoundInForm::RewindCheckBoxClick);
    connect(LoopCheckBox, &QCheckBox::clicked, this, &TSoundInForm::LoopCheckBoxClick);
    connect(DelaySlider, &VXDWSlider::OnChange, this, &TSoundInForm::DelaySliderChange);
    SetGlyph("PLAY");
    if (engine != nullptr)
        engine->onInputSourceChanged = [this] { RefreshControls(); };
}

TSoundInForm::~TSoundInForm() {
    if (engine != nullptr)
        engine->onInputSourceChanged = nullptr;
}

void TSoundInForm::SetGlyph(const char* glyph) {
    PlayStopButton->setIcon(Glyph(QString::fromLatin1(glyph)));
    PlayStopButton->setProperty("glyph", QString::fromLatin1(glyph));
}

std::vector<QWidget*> TSoundInForm::FileControls() const {
    return {Label1,       TrackBar1,      DurationLabel, RewindCheckBox, LoopCheckBox, DelaySlider,
            DelayCaption, PlayStopButton, FileNamePanel, OpenButton,     DelayLabel};
}

void TSoundInForm::EnableFileControls() {
    const bool on = UseInputFileCheckBox->isChecked();
    for (QWidget* w : FileControls())
        w->setEnabled(on);
    // Without a playable file the play button would do nothing.
    PlayStopButton->setEnabled(on && soundIn->fileIsGood.Value());
}

void TSoundInForm::RefreshControls() {
    refreshing = true;
    UseInputFileCheckBox->setChecked(!soundIn->useADC.Value());
    FileNamePanel->setText(QString::fromUtf8(soundIn->inputFile.Value()));
    DurationLabel->setText(QStringLiteral("duration: ") +
                           FormatSeconds(soundIn->duration.Value() / 1000.0));
    RewindCheckBox->setChecked(soundIn->autoRewind.Value());
    LoopCheckBox->setChecked(soundIn->loop.Value());
    DelaySlider->SetValue(soundIn->loopDelay.Value());
    DelayLabel->setText(FormatSeconds(DelaySlider->Value() / 1000.0));
    if (soundIn->active.Value()) {
        SetGlyph("PAUSE");
        Timer1->start();
    } else {
        SetGlyph("PLAY");
    }
    EnableFileControls();
    soundIn->useADC.SetValue(!UseInputFileCheckBox->isChecked());
    refreshing = false;
    if (SourceChanged)
        SourceChanged();
    TContraptionForm::RefreshControls();
}

void TSoundInForm::UseInputFileCheckBoxClick() {
    if (UseInputFileCheckBox->isChecked()) {
        if (engine != nullptr)
            engine->StopAudioIn();
    } else if (soundIn->active.Value()) {
        soundIn->active.SetValue(false);
        SetGlyph("PLAY");
    }
    EnableFileControls();
    soundIn->useADC.SetValue(!UseInputFileCheckBox->isChecked());
    if (SourceChanged)
        SourceChanged();
}

void TSoundInForm::OpenButtonClick() {
    QString proposed = QString::fromUtf8(soundIn->inputFile.Value());
    if (proposed.isEmpty())
        proposed = QString::fromStdString(RememberedDirectory(TDirectoryKind::SoundFile)) +
                   QStringLiteral("/*.wav");
    QFileDialog dialog(this, QStringLiteral("Select a Soundfile..."), proposed,
                       QStringLiteral("Wave file (*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SetInputFile(dialog.selectedFiles().first());
}

void TSoundInForm::SetInputFile(const QString& path) {
    RememberDirectory(TDirectoryKind::SoundFile, path.toStdString());
    if (engine != nullptr) {
        TGraphLock lock(*engine);
        soundIn->inputFile.SetValue(path.toUtf8().constData());
        soundIn->Reset();
    } else {
        soundIn->inputFile.SetValue(path.toUtf8().constData());
        soundIn->Reset();
    }
    const bool good = soundIn->fileIsGood.Value();
    if (good) {
        DurationLabel->setText(QStringLiteral("duration: ") +
                               FormatSeconds(soundIn->duration.Value() / 1000.0));
        FileNamePanel->setText(path);
        SetGlyph("PLAY");
    }
    PlayStopButton->setEnabled(good && UseInputFileCheckBox->isChecked());
}

void TSoundInForm::PlayStopButtonClick() {
    if (soundIn->active.Value()) {
        soundIn->active.SetValue(false);
        SetGlyph("PLAY");
    } else if (soundIn->fileIsGood.Value()) {
        soundIn->active.SetValue(true);
        SetGlyph("PAUSE");
        Timer1->start();
    }
}

void TSoundInForm::Timer1Timer() {
    const double duration = soundIn->duration.Value();
    refreshing = true;
    TrackBar1->setValue(
        duration != 0.0 ? static_cast<int>(soundIn->location.Value() / duration * 10000.0) : 0);
    refreshing = false;
    if (!soundIn->active.Value()) {
        SetGlyph("PLAY");
        Timer1->stop();
    }
}

void TSoundInForm::TrackBar1Change(int position) {
    if (refreshing)
        return;
    const double duration = soundIn->duration.Value();
    if (duration != 0.0) {
        soundIn->location.SetValue(duration * position * 0.0001);
        QApplication::beep();
    }
}

void TSoundInForm::RewindCheckBoxClick() {
    soundIn->autoRewind.SetValue(RewindCheckBox->isChecked());
}

void TSoundInForm::LoopCheckBoxClick() {
    soundIn->loop.SetValue(LoopCheckBox->isChecked());
}

void TSoundInForm::DelaySliderChange(double value) {
    soundIn->loopDelay.SetValue(value);
    DelayLabel->setText(FormatSeconds(value / 1000.0));
}
