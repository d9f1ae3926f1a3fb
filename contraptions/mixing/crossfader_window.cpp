#include "contraptions/mixing/crossfader_window.h"

#include <QLabel>

#include "contraptions/mixing/crossfader.h"
#include "controls/knob.h"
#include "controls/slider.h"
#include "framework/contraption.h"
#include "framework/contraption_factory.h"

namespace {

VXDWKnob* MakeKnob(QWidget* parent, const char* name, int left, double max) {
    auto* knob = new VXDWKnob(parent);
    knob->setObjectName(name);
    knob->SetMin(0.0);
    knob->SetMax(max);
    knob->setGeometry(left, 34, 35, 35);
    return knob;
}

void MakeLabel(QWidget* parent, const QString& text, int knobLeft) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(knobLeft - 10, 20, 55, 13);
}

} // namespace

TCrossfaderForm::TCrossfaderForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("Crossfader"), 1017, 292, 74),
      crossfader(static_cast<ODCrossfader*>(c.processor)) {
    MasterKnob = MakeKnob(Client(), "MasterKnob", 3, 1.5);
    MakeLabel(Client(), QStringLiteral("Master"), 3);
    Knob1 = MakeKnob(Client(), "Knob1", 51, 1.5);
    MakeLabel(Client(), QStringLiteral("1 & 2"), 51);
    Fader = new VXDWSlider(Client());
    Fader->setObjectName("Fader");
    Fader->SetOrientation(soHorizontal);
    Fader->SetMin(0.0);
    Fader->SetMax(1.0);
    Fader->setGeometry(96, 34, 144, 35);
    auto* ab = new QLabel(QStringLiteral("A                    B"), Client());
    ab->setAlignment(Qt::AlignCenter);
    ab->setGeometry(96, 20, 144, 13);
    Knob2 = MakeKnob(Client(), "Knob2", 251, 1.5);
    MakeLabel(Client(), QStringLiteral("3 & 4"), 251);

    connect(MasterKnob, &VXDWKnob::OnChange, this, &TCrossfaderForm::MasterKnobChange);
    connect(Knob1, &VXDWKnob::OnChange, this, &TCrossfaderForm::Knob1Change);
    connect(Fader, &VXDWSlider::OnChange, this, &TCrossfaderForm::FaderChange);
    connect(Knob2, &VXDWKnob::OnChange, this, &TCrossfaderForm::Knob2Change);
}

void TCrossfaderForm::RefreshControls() {
    MasterKnob->SetValue(crossfader->masterGain.Value());
    Knob1->SetValue(crossfader->trimA.Value());
    Fader->SetValue(crossfader->fade.Value());
    Knob2->SetValue(crossfader->trimB.Value());
    TContraptionForm::RefreshControls();
}

void TCrossfaderForm::MasterKnobChange(double value) {
    crossfader->masterGain.SetValue(value);
}
void TCrossfaderForm::Knob1Change(double value) {
    crossfader->trimA.SetValue(value);
}
void TCrossfaderForm::FaderChange(double value) {
    crossfader->fade.SetValue(value);
}
void TCrossfaderForm::Knob2Change(double value) {
    crossfader->trimB.SetValue(value);
}

void RegisterCrossfaderForm(TContraptionFactory& factory) {
    factory.SetFormCreator("Crossfader", [](TQuorlingContraption& c) -> TContraptionWindow* {
        return new TCrossfaderForm(c);
    });
}
