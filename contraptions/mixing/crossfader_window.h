#pragma once

// The crossfader's window: master and trim knobs and the fader from A to B.

#include "forms/contraption_form.h"

class VXDWKnob;
class VXDWSlider;
class ODCrossfader;
class TContraptionFactory;

class TCrossfaderForm : public TContraptionForm {
    Q_OBJECT
public:
    explicit TCrossfaderForm(TQuorlingContraption& contraption);

    VXDWKnob* MasterKnob;
    VXDWKnob* Knob1; // trim A
    VXDWSlider* Fader;
    VXDWKnob* Knob2; // trim B

    void RefreshControls() override;
    void MasterKnobChange(double value);
    void Knob1Change(double value);
    void FaderChange(double value);
    void Knob2Change(double value);

private:
    ODCrossfader* crossfader;
};

void RegisterCrossfaderForm(TContraptionFactory& factory);
