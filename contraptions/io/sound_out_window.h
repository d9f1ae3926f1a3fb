#pragma once

// The sound output's window: the file to record to and play back, the
// transport for it, its position, and how takes start and end.

#include <QString>

#include "forms/contraption_form.h"

class QComboBox;
class QLineEdit;
class QSlider;
class QToolButton;
class ODSoundOut;
class TAudioEngineModule;

// A duration for the sound windows: the seconds with at most two decimals,
// cut rather than rounded (a whole number gets ".00"), and " (sec)".
QString FormatSeconds(double seconds);

class TSoundOutForm : public TContraptionForm {
    Q_OBJECT
public:
    explicit TSoundOutForm(TQuorlingContraption& contraption);

    QLabel* FileNamePanel;
    QToolButton* OpenButton;
    QToolButton* PlayStopButton;
    QToolButton* RecordStopButton;
    QLabel* DurationLabel;
    QSlider* TrackBar1;
    QComboBox* RecModeComboBox;
    QComboBox* PunchModeComboBox;
    QLineEdit* RecDurationEdit;
    QLabel* SecsLabel;
    QTimer* Timer1;

    void RefreshControls() override;

    void FormShow();
    void OpenButtonClick();
    // Takes the file chosen in the dialog (tests call it directly).
    void SetOutputFile(const QString& path);
    void RecordStopButtonClick();
    void PlayStopButtonClick();
    void Timer1Timer();
    void RecModeComboBoxChange(int index);
    void PunchModeComboBoxChange(int index);
    void RecDurationEditChange(const QString& text);

    // The name of the picture a button shows ("PLAY", "STOP", ...).
    static QString GlyphOf(const QToolButton* button);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetGlyph(QToolButton* button, const char* glyph);
    void UpdatePositionAndDuration();
    void UpdateDurationEditEnabling();
    void SetAction(int action);

    ODSoundOut* soundOut;
    TAudioEngineModule* engine;
    bool waitingMark = false;
    bool refreshing = false;
};
