#pragma once

// The test signal generator's window: sine or noise, the frequency and the
// volume.

#include "forms/contraption_form.h"

class QComboBox;
class QRadioButton;
class VXDWKnob;
class VXValidatedEdit;
class ODTestSignalGenerator;

class TTestSignalGeneratorForm : public TContraptionForm {
    Q_OBJECT
public:
    explicit TTestSignalGeneratorForm(TQuorlingContraption& contraption);

    QRadioButton* SineRadioButton;
    QRadioButton* NoiseRadioButton;
    QComboBox* FrequencyComboBox;
    VXDWKnob* VolumeKnob;

    void RefreshControls() override;

    void SineRadioButtonClick();
    void FrequencyComboBoxChange(const QString& text);
    void VolumeKnobChange(double value);

private:
    ODTestSignalGenerator* generator;
    VXValidatedEdit* frequencyCheck = nullptr;
};

// Attaches the window to the "TestGen" maker.
class TContraptionFactory;
void RegisterTestSignalGeneratorForm(TContraptionFactory& factory);
