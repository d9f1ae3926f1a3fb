#include "contraptions/contraption_types.h"

#include "framework/contraption_factory.h"

#include "contraptions/generators/testgen.h"
#include "contraptions/mixing/busses.h"
#include "contraptions/mixing/crossfader.h"
#include "contraptions/mixing/mixers.h"
#include "host/sound_in.h"
#include "host/sound_out.h"

// Each type takes its place in this list when it is built; the order is
// the order within each group of the "New" menu and must not change.
void RegisterContraptionMakers(TContraptionFactory& factory) {
    // "RingAM", Effects
    factory.Register<SoundInMaker>();
    factory.Register<TMakerTemplate<ODTestSignalGenerator>>("TestGen", "Signal Generators");
    factory.Register<TMonoBuss_2_Maker>();
    factory.Register<TMonoBuss_3_Maker>();
    factory.Register<TMonoBuss_4_Maker>();
    factory.Register<TMonoBuss_6_Maker>();
    factory.Register<TMonoBuss_8_Maker>();
    factory.Register<TMonoBuss_12_Maker>();
    factory.Register<TStereoBuss_2_Maker>();
    factory.Register<TStereoBuss_3_Maker>();
    factory.Register<TStereoBuss_4_Maker>();
    factory.Register<TStereoBuss_6_Maker>();
    factory.Register<TStereoBuss_8_Maker>();
    factory.Register<TStereoBuss_12_Maker>();
    // "LoopPlayer", Signal Generators
    // "Drums", Signal Generators
    // "SDelay", Effects
    // "10Harmonics", Signal Generators
    // "5Combs", Filters
    // "NastyReverb", Effects
    // "SSpat", Effects
    // "Flanger", Effects
    // "Bassline", Signal Generators
    // "MParaEQ", Filters
    // "SParaEQ", Filters
    // "DLGranulator", Effects
    factory.Register<TMakerTemplate<ODS2Mixer>>("S2Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODS3Mixer>>("S3Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODS4Mixer>>("S4Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODS6Mixer>>("S6Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODS8Mixer>>("S8Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODS12Mixer>>("S12Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODP2Mixer>>("P2Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODP3Mixer>>("P3Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODP4Mixer>>("P4Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODP6Mixer>>("P6Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODP8Mixer>>("P8Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODP12Mixer>>("P12Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODM2Mixer>>("M2Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODM3Mixer>>("M3Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODM4Mixer>>("M4Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODM6Mixer>>("M6Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODM8Mixer>>("M8Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODM12Mixer>>("M12Mixer", "Mixers");
    factory.Register<TMakerTemplate<ODCrossfader>>("Crossfader", "Mixers");
    factory.Register<SoundOutMaker>();
    //
    // A type is added as, for example:
    //   factory.Register<TMakerTemplate<ODRingAM>>("RingAM", "Effects");
}
