#include "contraptions/mixing/mixer_windows.h"

#include <QLabel>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "contraptions/mixing/mixers.h"
#include "controls/knob.h"
#include "framework/contraption.h"
#include "framework/contraption_factory.h"

namespace {

constexpr int kSpacing = 45;

VXDWKnob* MakeKnob(QWidget* parent, const QString& name, int left, int top, int tag) {
    auto* knob = new VXDWKnob(parent);
    knob->setObjectName(name);
    knob->SetMin(0.0);
    knob->SetMax(1.0);
    knob->setGeometry(left, top, 35, 35);
    knob->setProperty("tag", tag);
    return knob;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QRect r,
                  Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setGeometry(r);
    return label;
}

// Pan 0 is fully left, 1 fully right: the readout says which side and how
// far, in percent of the way from the centre.
QString PanText(double pan) {
    const int percent = static_cast<int>(std::lround((pan - 0.5) * 200.0));
    if (percent == 0)
        return QStringLiteral("C");
    return (percent < 0 ? QStringLiteral("L %1") : QStringLiteral("R %1")).arg(std::abs(percent));
}

template <class Mixer> int ChannelCount(Mixer* mixer) {
    int n = 0;
    while (mixer->GainProperty(n) != nullptr)
        ++n;
    return n;
}

int TagOf(QObject* sender) {
    return sender != nullptr ? sender->property("tag").toInt() : 0;
}

void SetProperty(MGDoubleProperty* property, double value) {
    if (property != nullptr)
        property->SetValue(value);
}

// The master knob and one gain knob per channel, from the properties.
template <class Mixer>
void RefreshGainKnobs(Mixer* mixer, VXDWKnob* master, const std::vector<VXDWKnob*>& gains) {
    if (mixer == nullptr)
        return;
    master->SetValue(mixer->masterGain.Value());
    for (size_t k = 0; k < gains.size(); ++k)
        if (MGDoubleProperty* gain = mixer->GainProperty(static_cast<int>(k)))
            gains[k]->SetValue(gain->Value());
}

} // namespace

// --- stereo ---

TStereoMixerForm::TStereoMixerForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("SMixer"), 1014, 131, 73),
      mixer(dynamic_cast<ODStereoMixer*>(c.processor)) {
    MasterKnob = MakeKnob(Client(), "MasterKnob", 10, 35, 0);
    MakeLabel(Client(), "MasterLabel", QStringLiteral("Master"), {0, 21, 55, 13}, Qt::AlignHCenter);
    Knob1 = MakeKnob(Client(), "Knob1", 55, 35, 0);
    Label1 =
        MakeLabel(Client(), "Label1", QStringLiteral("1 & 2"), {45, 21, 56, 13}, Qt::AlignHCenter);
    gainKnobs.push_back(Knob1);
    connect(MasterKnob, &VXDWKnob::OnChange, this, &TStereoMixerForm::MasterKnobChange);
    connect(Knob1, &VXDWKnob::OnChange, this, &TStereoMixerForm::Knob1Change);
    const int n = mixer != nullptr ? ChannelCount(mixer) : 1;
    for (int k = 1; k < n; ++k) {
        VXDWKnob* knob = MakeKnob(Client(), QStringLiteral("Knob1_%1").arg(k),
                                  Knob1->x() + kSpacing * k, Knob1->y(), k);
        connect(knob, &VXDWKnob::OnChange, this, &TStereoMixerForm::Knob1Change);
        gainKnobs.push_back(knob);
        MakeLabel(Client(), QStringLiteral("Label1_%1").arg(k),
                  QStringLiteral("%1 & %2").arg(2 * k + 1).arg(2 * k + 2),
                  Label1->geometry().translated(kSpacing * k, 0), Qt::AlignHCenter);
    }
    SetClientSize(gainKnobs.back()->x() + kSpacing, 73);
}

void TStereoMixerForm::RefreshControls() {
    RefreshGainKnobs(mixer, MasterKnob, gainKnobs);
    TContraptionForm::RefreshControls();
}

void TStereoMixerForm::Knob1Change(double value) {
    if (mixer != nullptr)
        SetProperty(mixer->GainProperty(TagOf(sender())), value);
}

void TStereoMixerForm::MasterKnobChange(double value) {
    if (mixer != nullptr)
        mixer->masterGain.SetValue(value);
}

// --- mono ---

TMonoMixerForm::TMonoMixerForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("MMixer"), 1016, 104, 63),
      mixer(dynamic_cast<ODMonoMixer*>(c.processor)) {
    MasterKnob = MakeKnob(Client(), "MasterKnob", 15, 25, 0);
    MakeLabel(Client(), "MasterLabel", QStringLiteral("M"), {0, 21, 14, 13}, Qt::AlignRight);
    Knob1 = MakeKnob(Client(), "Knob1", 60, 25, 0);
    Label1 = MakeLabel(Client(), "Label1", QStringLiteral("1"), {45, 21, 14, 13}, Qt::AlignRight);
    gainKnobs.push_back(Knob1);
    connect(MasterKnob, &VXDWKnob::OnChange, this, &TMonoMixerForm::MasterKnobChange);
    connect(Knob1, &VXDWKnob::OnChange, this, &TMonoMixerForm::Knob1Change);
    const int n = mixer != nullptr ? ChannelCount(mixer) : 1;
    for (int k = 1; k < n; ++k) {
        VXDWKnob* knob = MakeKnob(Client(), QStringLiteral("Knob1_%1").arg(k),
                                  Knob1->x() + kSpacing * k, Knob1->y(), k);
        connect(knob, &VXDWKnob::OnChange, this, &TMonoMixerForm::Knob1Change);
        gainKnobs.push_back(knob);
        MakeLabel(Client(), QStringLiteral("Label1_%1").arg(k), QString::number(k + 1),
                  Label1->geometry().translated(kSpacing * k, 0), Qt::AlignRight);
    }
    SetClientSize(gainKnobs.back()->x() + kSpacing, 63);
}

void TMonoMixerForm::RefreshControls() {
    RefreshGainKnobs(mixer, MasterKnob, gainKnobs);
    TContraptionForm::RefreshControls();
}

void TMonoMixerForm::Knob1Change(double value) {
    if (mixer != nullptr)
        SetProperty(mixer->GainProperty(TagOf(sender())), value);
}

void TMonoMixerForm::MasterKnobChange(double value) {
    if (mixer != nullptr)
        mixer->masterGain.SetValue(value);
}

// --- pan-pot ---

TPanPotMixerForm::TPanPotMixerForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("PMixer"), 1015, 140, 103),
      mixer(dynamic_cast<ODPanPotMixer*>(c.processor)) {
    // The row names stand left of their rows, level with the knobs; the
    // knobs leave them room, so that "Gain:" does not run into the master
    // knob and its label.
    constexpr int rowNames = 10;
    MakeLabel(Client(), "PanLabel", QStringLiteral("Pan:"), {2, 36, 36, 13}, Qt::AlignLeft);
    MakeLabel(Client(), "GainLabel", QStringLiteral("Gain:"), {2, 76, 36, 13}, Qt::AlignLeft);
    MasterKnob = MakeKnob(Client(), "MasterKnob", 30 + rowNames, 65, 0);
    MakeLabel(Client(), "MasterLabel", QStringLiteral("Master"), {25 + rowNames, 51, 45, 13},
              Qt::AlignHCenter);
    Knob1 = MakeKnob(Client(), "Knob1", 75 + rowNames, 25, 0);
    Knob1->SetFormatter(PanText);
    Knob2 = MakeKnob(Client(), "Knob2", 75 + rowNames, 65, 0);
    Label1 = MakeLabel(Client(), "Label1", QStringLiteral("1"), {60 + rowNames, 21, 14, 13},
                       Qt::AlignRight);
    panKnobs.push_back(Knob1);
    gainKnobs.push_back(Knob2);
    connect(MasterKnob, &VXDWKnob::OnChange, this, &TPanPotMixerForm::MasterKnobChange);
    connect(Knob1, &VXDWKnob::OnChange, this, &TPanPotMixerForm::Knob1Change);
    connect(Knob2, &VXDWKnob::OnChange, this, &TPanPotMixerForm::Knob2Change);
    const int n = mixer != nullptr ? ChannelCount(mixer) : 1;
    for (int k = 1; k < n; ++k) {
        VXDWKnob* pan = MakeKnob(Client(), QStringLiteral("Knob1_%1").arg(k),
                                 Knob1->x() + kSpacing * k, Knob1->y(), k);
        connect(pan, &VXDWKnob::OnChange, this, &TPanPotMixerForm::Knob1Change);
        pan->SetFormatter(PanText);
        panKnobs.push_back(pan);
        VXDWKnob* gain = MakeKnob(Client(), QStringLiteral("Knob2_%1").arg(k),
                                  Knob2->x() + kSpacing * k, Knob2->y(), k);
        connect(gain, &VXDWKnob::OnChange, this, &TPanPotMixerForm::Knob2Change);
        gainKnobs.push_back(gain);
        MakeLabel(Client(), QStringLiteral("Label1_%1").arg(k), QString::number(k + 1),
                  Label1->geometry().translated(kSpacing * k, 0), Qt::AlignRight);
    }
    SetClientSize(gainKnobs.back()->x() + kSpacing, 103);
}

void TPanPotMixerForm::RefreshControls() {
    RefreshGainKnobs(mixer, MasterKnob, gainKnobs);
    if (mixer != nullptr) {
        for (size_t k = 0; k < panKnobs.size(); ++k)
            if (MGDoubleProperty* pan = mixer->PanProperty(static_cast<int>(k)))
                panKnobs[k]->SetValue(pan->Value());
    }
    TContraptionForm::RefreshControls();
}

void TPanPotMixerForm::Knob1Change(double value) {
    if (mixer != nullptr)
        SetProperty(mixer->PanProperty(TagOf(sender())), value);
}

void TPanPotMixerForm::Knob2Change(double value) {
    if (mixer != nullptr)
        SetProperty(mixer->GainProperty(TagOf(sender())), value);
}

void TPanPotMixerForm::MasterKnobChange(double value) {
    if (mixer != nullptr)
        mixer->masterGain.SetValue(value);
}

void RegisterMixerForms(TContraptionFactory& factory) {
    for (const char* n : {"2", "3", "4", "6", "8", "12"}) {
        const std::string size(n);
        factory.SetFormCreator(
            "S" + size + "Mixer",
            [](TQuorlingContraption& c) -> TContraptionWindow* { return new TStereoMixerForm(c); });
        factory.SetFormCreator(
            "P" + size + "Mixer",
            [](TQuorlingContraption& c) -> TContraptionWindow* { return new TPanPotMixerForm(c); });
        factory.SetFormCreator(
            "M" + size + "Mixer",
            [](TQuorlingContraption& c) -> TContraptionWindow* { return new TMonoMixerForm(c); });
    }
}
