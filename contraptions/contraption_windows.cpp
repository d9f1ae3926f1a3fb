#include "contraptions/contraption_windows.h"

#include "contraptions/io/sound_in_window.h"
#include "contraptions/io/sound_out_window.h"
#include "contraptions/generators/testgen_window.h"
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
