#include "app/contraption_forms.h"

#include "app/sound_in_window.h"
#include "app/sound_out_window.h"
#include "contraptions/generators/test_signal_generator_window.h"
#include "contraptions/mixing/crossfader_window.h"
#include "contraptions/mixing/mixer_windows.h"
#include "framework/contraption_factory.h"

void RegisterContraptionForms(TContraptionFactory& factory) {
    factory.SetFormCreator("SoundOut", [](TQuorlingContraption& c) -> TContraptionWindow* {
        return new TSoundOutForm(c);
    });
    factory.SetFormCreator("SoundIn", [](TQuorlingContraption& c) -> TContraptionWindow* {
        return new TSoundInForm(c);
    });
    RegisterTestSignalGeneratorForm(factory);
    RegisterMixerForms(factory);
    RegisterCrossfaderForm(factory);
}
