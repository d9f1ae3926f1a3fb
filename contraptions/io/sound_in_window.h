#pragma once

// The sound input's window: the choice between the sound card and a WAV
// file, and the file's player (play/pause, position, auto-rewind, looping
// with a pause between passes).

#include <functional>
#include <vector>

#include "forms/contraption_form.h"

class QCheckBox;
class QSlider;
class QToolButton;
class VXDWSlider;
class ODSoundIn;
class TAudioEngineModule;

class TSoundInForm : public TContraptionForm {
    Q_OBJECT
public:
    // Runs after the window changed the source, so that the main window's
    // menu items and buttons follow; the application sets it.
    static std::function<void()> SourceChanged;

    explicit TSoundInForm(TQuorlingContraption& contraption);
    ~TSoundInForm() override;

    QCheckBox* UseInputFileCheckBox;
    QLabel* Label1;
    QLabel* FileNamePanel;
    QToolButton* OpenButton;
    QToolButton* PlayStopButton;
    QLabel* DurationLabel;
    QSlider* TrackBar1;
    QCheckBox* RewindCheckBox;
    QCheckBox* LoopCheckBox;
    QLabel* DelayCaption;
    VXDWSlider* DelaySlider;
    QLabel* DelayLabel;
    QTimer* Timer1;

    void RefreshControls() override;

    void UseInputFileCheckBoxClick();
    void OpenButtonClick();
    // Takes the file chosen in the dialog (tests call it directly).
    void SetInputFile(const QString& path);
    void PlayStopButtonClick();
    void Timer1Timer();
    void TrackBar1Change(int position);
    void RewindCheckBoxClick();
    void LoopCheckBoxClick();
    void DelaySliderChange(double value);

private:
    void SetGlyph(const char* glyph);
    void EnableFileControls();
    std::vector<QWidget*> FileControls() const;

    ODSoundIn* soundIn;
    TAudioEngineModule* engine;
    bool refreshing = false;
};
