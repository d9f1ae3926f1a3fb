#include "contraptions/io/sound_out_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "controls/glyphs.h"
#include "document/remembered_directories.h"
#include "framework/contraption.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "host/sound_out.h"

QString FormatSeconds(double seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", seconds);
    QString text = QString::fromLatin1(buffer);
    const int dot = text.indexOf('.');
    if (text.contains('e'))
        text = QString::number(seconds, 'f', 2);
    else if (dot < 0)
        text += QStringLiteral(".00");
    else if (text.size() > dot + 3)
        text.truncate(dot + 3);
    return text + QStringLiteral(" (sec)");
}

namespace {

QToolButton* TransportButton(QWidget* parent, const char* name, int x, int y) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 26, 22);
    b->setIconSize(QSize(16, 16));
    return b;
}

QLabel* Caption(QWidget* parent, const QString& text, int x, int y, int w = 70) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, 16);
    return label;
}

QLabel* NamePanel(QWidget* parent, int x, int y, int w) {
    auto* panel = new QLabel(parent);
    panel->setObjectName("FileNamePanel");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(x, y, w, 19);
    panel->setTextFormat(Qt::PlainText);
    return panel;
}

} // namespace

TSoundOutForm::TSoundOutForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("SoundOut"), 1001, 300, 146),
      soundOut(static_cast<ODSoundOut*>(c.processor)),
      engine(dynamic_cast<TAudioEngineModule*>(c.engine)) {
    Caption(Client(), QStringLiteral("File:"), 8, 25, 30);
    FileNamePanel = NamePanel(Client(), 38, 23, 224);
    OpenButton = new QToolButton(Client());
    OpenButton->setObjectName("OpenButton");
    OpenButton->setText(QStringLiteral("..."));
    OpenButton->setToolTip(QStringLiteral("Select Destination File"));
    OpenButton->setGeometry(266, 22, 26, 21);

    PlayStopButton = TransportButton(Client(), "PlayStopButton", 8, 48);
    RecordStopButton = TransportButton(Client(), "RecordStopButton", 36, 48);
    DurationLabel = Caption(Client(), QString(), 70, 51, 200);
    DurationLabel->setObjectName("DurationLabel");

    TrackBar1 = new QSlider(Qt::Horizontal, Client());
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 10000);
    TrackBar1->setGeometry(8, 74, 284, 20);
    TrackBar1->setEnabled(false);

    Caption(Client(), QStringLiteral("Record mode:"), 8, 100, 80);
    RecModeComboBox = new QComboBox(Client());
    RecModeComboBox->setObjectName("RecModeComboBox");
    RecModeComboBox->addItems({QStringLiteral("Append"), QStringLiteral("Overwrite")});
    RecModeComboBox->setGeometry(90, 98, 100, 20);
    Caption(Client(), QStringLiteral("Punch mode:"), 8, 124, 80);
    PunchModeComboBox = new QComboBox(Client());
    PunchModeComboBox->setObjectName("PunchModeComboBox");
    PunchModeComboBox->addItems(
        {QStringLiteral("Manual"), QStringLiteral("SoundIn Sync"), QStringLiteral("Timed")});
    PunchModeComboBox->setGeometry(90, 122, 100, 20);
    RecDurationEdit = new QLineEdit(Client());
    RecDurationEdit->setObjectName("RecDurationEdit");
    RecDurationEdit->setGeometry(198, 122, 56, 20);
    SecsLabel = Caption(Client(), QStringLiteral("(sec)"), 258, 124, 34);
    SecsLabel->setObjectName("SecsLabel");

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    connect(OpenButton, &QToolButton::clicked, this, &TSoundOutForm::OpenButtonClick);
    connect(PlayStopButton, &QToolButton::clicked, this, &TSoundOutForm::PlayStopButtonClick);
    connect(RecordStopButton, &QToolButton::clicked, this, &TSoundOutForm::RecordStopButtonClick);
    connect(Timer1, &QTimer::timeout, this, &TSoundOutForm::Timer1Timer);
    connect(RecModeComboBox, &QComboBox::activated, this, &TSoundOutForm::RecModeComboBoxChange);
    connect(PunchModeComboBox, &QComboBox::activated, this,
            &TSoundOutForm::PunchModeComboBoxChange);
    connect(RecDurationEdit, &QLineEdit::textEdited, this, &TSoundOutForm::RecDurationEditChange);
    SetGlyph(PlayStopButton, "PLAY");
    SetGlyph(RecordStopButton, "RECORD");
}

QString TSoundOutForm::GlyphOf(const QToolButton* button) {
    return button->property("glyph").toString();
}

void TSoundOutForm::SetGlyph(QToolButton* button, const char* glyph) {
    button->setIcon(Glyph(QString::fromLatin1(glyph)));
    button->setProperty("glyph", QString::fromLatin1(glyph));
}

void TSoundOutForm::showEvent(QShowEvent* event) {
    TContraptionForm::showEvent(event);
    FormShow();
}

void TSoundOutForm::FormShow() {
    RecModeComboBox->setCurrentIndex(soundOut->fileMode.Value() == 1 ? 1 : 0);
    const int punch = soundOut->punchMode.Value();
    PunchModeComboBox->setCurrentIndex(punch >= 0 && punch <= 2 ? punch : 0);
}

void TSoundOutForm::UpdatePositionAndDuration() {
    const double duration = soundOut->fileDuration.Value();
    DurationLabel->setText(QStringLiteral("duration: ") + FormatSeconds(duration / 1000.0));
    TrackBar1->setValue(
        duration > 0.0 ? static_cast<int>(soundOut->filePosition.Value() / duration * 10000.0) : 0);
}

void TSoundOutForm::UpdateDurationEditEnabling() {
    const bool on =
        PunchModeComboBox->currentIndex() == ODSoundOut::Timed && PunchModeComboBox->isEnabled();
    RecDurationEdit->setEnabled(on);
    SecsLabel->setEnabled(on);
}

void TSoundOutForm::RefreshControls() {
    refreshing = true;
    FileNamePanel->setText(QString::fromUtf8(soundOut->outputFile.Value()));
    UpdatePositionAndDuration();
    SetGlyph(PlayStopButton, "PLAY");
    SetGlyph(RecordStopButton, "RECORD");
    FormShow();
    const int state = soundOut->recordState.Value();
    switch (state) {
    case ODSoundOut::NoFile:
        for (QWidget* w :
             {static_cast<QWidget*>(PlayStopButton), static_cast<QWidget*>(RecordStopButton),
              static_cast<QWidget*>(RecModeComboBox), static_cast<QWidget*>(PunchModeComboBox)})
            w->setEnabled(false);
        break;
    case ODSoundOut::Idle:
        for (QWidget* w :
             {static_cast<QWidget*>(PlayStopButton), static_cast<QWidget*>(RecordStopButton),
              static_cast<QWidget*>(RecModeComboBox), static_cast<QWidget*>(PunchModeComboBox)})
            w->setEnabled(true);
        break;
    case ODSoundOut::Recording:
    case ODSoundOut::WaitingForPunchIn:
        SetGlyph(RecordStopButton, "STOP");
        PlayStopButton->setEnabled(false);
        RecordStopButton->setEnabled(true);
        RecModeComboBox->setEnabled(false);
        PunchModeComboBox->setEnabled(true);
        Timer1->start();
        break;
    case ODSoundOut::Playing:
        SetGlyph(PlayStopButton, "STOP");
        PlayStopButton->setEnabled(true);
        RecordStopButton->setEnabled(false);
        RecModeComboBox->setEnabled(false);
        PunchModeComboBox->setEnabled(true);
        Timer1->start();
        break;
    default:
        break;
    }
    RecDurationEdit->setText(QString::number(soundOut->recordDuration.Value() / 1000.0, 'g', 10));
    UpdateDurationEditEnabling();
    refreshing = false;
    TContraptionForm::RefreshControls();
}

void TSoundOutForm::OpenButtonClick() {
    QString proposed = QString::fromUtf8(soundOut->outputFile.Value());
    if (proposed.isEmpty())
        proposed = QString::fromStdString(RememberedDirectory(TDirectoryKind::Recording)) +
                   QStringLiteral("/Untitled.wav");
    QFileDialog dialog(this, QStringLiteral("Save Soundfile as..."), proposed,
                       QStringLiteral("Wave file (*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    // Recording appends to an existing take as often as it replaces it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SetOutputFile(dialog.selectedFiles().first());
}

void TSoundOutForm::SetOutputFile(const QString& path) {
    RememberDirectory(TDirectoryKind::Recording, path.toStdString());
    {
        TGraphLock lock(*engine);
        soundOut->outputFile.SetValue(path.toUtf8().constData());
        soundOut->Reset();
    }
    const bool usable = soundOut->recordState.Value() == ODSoundOut::Idle;
    if (!usable) {
        DurationLabel->clear();
        FileNamePanel->clear();
    } else {
        UpdatePositionAndDuration();
        FileNamePanel->setText(path);
        SetGlyph(PlayStopButton, "PLAY");
        SetGlyph(RecordStopButton, "RECORD");
    }
    for (QWidget* w :
         {static_cast<QWidget*>(PlayStopButton), static_cast<QWidget*>(RecordStopButton),
          static_cast<QWidget*>(RecModeComboBox), static_cast<QWidget*>(PunchModeComboBox)})
        w->setEnabled(usable);
    UpdateDurationEditEnabling();
}

void TSoundOutForm::SetAction(int action) {
    TGraphLock lock(*engine);
    soundOut->action.SetValue(action);
}

void TSoundOutForm::RecordStopButtonClick() {
    const int state = soundOut->recordState.Value();
    if (state == ODSoundOut::Recording || state == ODSoundOut::WaitingForPunchIn) {
        SetAction(ODSoundOut::Stop);
        return;
    }
    if (state == ODSoundOut::NoFile)
        return;
    SetAction(ODSoundOut::Record);
    if (soundOut->punchMode.Value() == ODSoundOut::FollowSoundIn) {
        SetGlyph(RecordStopButton, "REC_PAUSED");
        waitingMark = true;
    } else {
        SetGlyph(RecordStopButton, "STOP");
    }
    PlayStopButton->setEnabled(false);
    RecModeComboBox->setEnabled(false);
    Timer1->start();
}

void TSoundOutForm::PlayStopButtonClick() {
    const int state = soundOut->recordState.Value();
    if (state == ODSoundOut::Playing) {
        SetAction(ODSoundOut::Stop);
        SetGlyph(PlayStopButton, "PLAY");
        RecordStopButton->setEnabled(true);
        return;
    }
    if (state == ODSoundOut::NoFile)
        return;
    SetAction(ODSoundOut::Play);
    SetGlyph(PlayStopButton, "STOP");
    RecordStopButton->setEnabled(false);
    Timer1->start();
}

void TSoundOutForm::Timer1Timer() {
    UpdatePositionAndDuration();
    const int state = soundOut->recordState.Value();
    if (state == ODSoundOut::Recording && waitingMark) {
        waitingMark = false;
        SetGlyph(RecordStopButton, "STOP");
    }
    if (state == ODSoundOut::Idle) {
        SetGlyph(PlayStopButton, "PLAY");
        SetGlyph(RecordStopButton, "RECORD");
        RecordStopButton->setEnabled(true);
        PlayStopButton->setEnabled(true);
        RecModeComboBox->setEnabled(true);
        Timer1->stop();
    }
    if (soundOut->writeFailed.exchange(false)) {
        const int error = soundOut->fileError.load();
        ShowMessage("The recording stopped because the sound file could not be written" +
                    (error != 0 ? " (" + std::string(std::strerror(error)) + ")" : std::string()) +
                    ".\nCheck that the disk has room and choose the file again.");
    }
}

void TSoundOutForm::RecModeComboBoxChange(int index) {
    TGraphLock lock(*engine);
    soundOut->fileMode.SetValue(index);
}

void TSoundOutForm::PunchModeComboBoxChange(int index) {
    {
        TGraphLock lock(*engine);
        soundOut->punchMode.SetValue(index);
    }
    UpdateDurationEditEnabling();
}

void TSoundOutForm::RecDurationEditChange(const QString& text) {
    if (refreshing || text.isEmpty())
        return;
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    QPalette pal = RecDurationEdit->palette();
    if (!ok || seconds < 0.0 || seconds * 1000.0 > 2147483647.0) {
        pal.setColor(QPalette::Text, palette().color(QPalette::Disabled, QPalette::Text));
        RecDurationEdit->setPalette(pal);
        return;
    }
    pal.setColor(QPalette::Text, palette().color(QPalette::Active, QPalette::Text));
    RecDurationEdit->setPalette(pal);
    TGraphLock lock(*engine);
    soundOut->recordDuration.SetValue(static_cast<int>(seconds * 1000.0));
}
