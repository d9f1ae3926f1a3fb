#include "contraptions/generators/testgen_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "contraptions/generators/testgen.h"
#include "controls/knob.h"
#include "controls/validated_edit.h"
#include "framework/contraption.h"
#include "framework/contraption_factory.h"

TTestSignalGeneratorForm::TTestSignalGeneratorForm(TQuorlingContraption& c)
    : TContraptionForm(&c, QStringLiteral("Test Signal Generator"), 1002, 176, 96),
      generator(static_cast<ODTestSignalGenerator*>(c.processor)) {
    SineRadioButton = new QRadioButton(QStringLiteral("Sine"), Client());
    SineRadioButton->setObjectName("SineRadioButton");
    SineRadioButton->setGeometry(10, 24, 70, 18);
    SineRadioButton->setChecked(true);
    NoiseRadioButton = new QRadioButton(QStringLiteral("Noise"), Client());
    NoiseRadioButton->setObjectName("NoiseRadioButton");
    NoiseRadioButton->setGeometry(10, 44, 70, 18);

    FrequencyComboBox = new QComboBox(Client());
    FrequencyComboBox->setObjectName("FrequencyComboBox");
    FrequencyComboBox->setEditable(true);
    FrequencyComboBox->addItems(
        {QStringLiteral("220"), QStringLiteral("440"), QStringLiteral("880")});
    FrequencyComboBox->setInsertPolicy(QComboBox::NoInsert);
    FrequencyComboBox->setEditText(QStringLiteral("440"));
    FrequencyComboBox->setGeometry(10, 68, 72, 20);
    frequencyCheck = new VXValidatedEdit(FrequencyComboBox->lineEdit());
    auto* hz = new QLabel(QStringLiteral("(Hz)"), Client());
    hz->setGeometry(86, 71, 30, 14);

    VolumeKnob = new VXDWKnob(Client());
    VolumeKnob->setObjectName("VolumeKnob");
    VolumeKnob->SetMin(0.0);
    VolumeKnob->SetMax(1.0);
    VolumeKnob->setGeometry(124, 30, 35, 35);
    auto* volume = new QLabel(QStringLiteral("Volume"), Client());
    volume->setAlignment(Qt::AlignCenter);
    volume->setGeometry(114, 68, 55, 14);

    connect(SineRadioButton, &QRadioButton::clicked, this,
            &TTestSignalGeneratorForm::SineRadioButtonClick);
    connect(NoiseRadioButton, &QRadioButton::clicked, this,
            &TTestSignalGeneratorForm::SineRadioButtonClick);
    connect(FrequencyComboBox, &QComboBox::editTextChanged, this,
            &TTestSignalGeneratorForm::FrequencyComboBoxChange);
    connect(VolumeKnob, &VXDWKnob::OnChange, this, &TTestSignalGeneratorForm::VolumeKnobChange);
}

void TTestSignalGeneratorForm::RefreshControls() {
    const int waveform = generator->waveform.Value();
    if (waveform == 1)
        SineRadioButton->setChecked(true);
    else if (waveform == 0)
        NoiseRadioButton->setChecked(true);
    VolumeKnob->SetValue(generator->amplitude.Value());
    const QString text = QString::number(generator->frequency.Value(), 'g', 15);
    if (FrequencyComboBox->currentText() != text)
        FrequencyComboBox->setEditText(text);
    TContraptionForm::RefreshControls();
}

void TTestSignalGeneratorForm::SineRadioButtonClick() {
    generator->waveform.SetValue(SineRadioButton->isChecked() ? 1 : 0);
}

void TTestSignalGeneratorForm::FrequencyComboBoxChange(const QString& text) {
    if (const std::optional<double> value =
            frequencyCheck->CheckFloat(text, 20.0, 20000.0, QStringLiteral("20 ... 20000 Hz")))
        generator->frequency.SetValue(*value);
}

void TTestSignalGeneratorForm::VolumeKnobChange(double value) {
    generator->amplitude.SetValue(value);
}

void RegisterTestSignalGeneratorForm(TContraptionFactory& factory) {
    factory.SetFormCreator("TestGen", [](TQuorlingContraption& c) -> TContraptionWindow* {
        return new TTestSignalGeneratorForm(c);
    });
}
