#pragma once

// The mixers' windows: a master knob and one gain knob per channel (the
// pan-pot mixers also a pan knob per channel), 45 pixels apart. The
// controls for channels after the first are made when the window is, for
// the mixer's number of channels.

#include <vector>

#include "forms/contraption_form.h"

class QLabel;
class VXDWKnob;
class ODMonoMixer;
class ODPanPotMixer;
class ODStereoMixer;
class TContraptionFactory;

class TStereoMixerForm : public TContraptionForm {
    Q_OBJECT
public:
    explicit TStereoMixerForm(TQuorlingContraption& contraption);

    VXDWKnob* MasterKnob;
    VXDWKnob* Knob1;
    QLabel* Label1;
    // Channel k's gain knob (Knob1 first).
    std::vector<VXDWKnob*> gainKnobs;

    void RefreshControls() override;
    void Knob1Change(double value);
    void MasterKnobChange(double value);

private:
    ODStereoMixer* mixer;
};

class TMonoMixerForm : public TContraptionForm {
    Q_OBJECT
public:
    explicit TMonoMixerForm(TQuorlingContraption& contraption);

    VXDWKnob* MasterKnob;
    VXDWKnob* Knob1;
    QLabel* Label1;
    std::vector<VXDWKnob*> gainKnobs;

    void RefreshControls() override;
    void Knob1Change(double value);
    void MasterKnobChange(double value);

private:
    ODMonoMixer* mixer;
};

class TPanPotMixerForm : public TContraptionForm {
    Q_OBJECT
public:
    explicit TPanPotMixerForm(TQuorlingContraption& contraption);

    VXDWKnob* MasterKnob;
    // Knob1: channel 0's pan; Knob2: its gain.
    VXDWKnob* Knob1;
    VXDWKnob* Knob2;
    QLabel* Label1;
    std::vector<VXDWKnob*> panKnobs;
    std::vector<VXDWKnob*> gainKnobs;

    void RefreshControls() override;
    void Knob1Change(double value);
    void Knob2Change(double value);
    void MasterKnobChange(double value);

private:
    ODPanPotMixer* mixer;
};

// Attaches the windows to the "S…", "P…" and "M…Mixer" makers.
void RegisterMixerForms(TContraptionFactory& factory);
