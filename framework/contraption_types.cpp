#include "framework/contraption_types.h"

#include "framework/contraption_factory.h"

// Each type takes its place in this list when it is built; the order is
// the order within each group of the "New" menu and must not change.
void RegisterContraptionMakers(TContraptionFactory& factory) {
    (void)factory;
    // "RingAM", Effects
    // "SoundIn", I/O, single instance (made by the engine module)
    // "TestGen", Signal Generators
    // "M2Buss", "M3Buss", "M4Buss", "M6Buss", "M8Buss", "M12Buss", Busses
    // "S2Buss", "S3Buss", "S4Buss", "S6Buss", "S8Buss", "S12Buss", Busses
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
    // "S2Mixer", "S3Mixer", "S4Mixer", "S6Mixer", "S8Mixer", "S12Mixer", Mixers
    // "P2Mixer", "P3Mixer", "P4Mixer", "P6Mixer", "P8Mixer", "P12Mixer", Mixers
    // "M2Mixer", "M3Mixer", "M4Mixer", "M6Mixer", "M8Mixer", "M12Mixer", Mixers
    // "Crossfader", Mixers
    // "SoundOut", I/O, single instance (made by the engine module)
    //
    // A type is added as, for example:
    //   factory.Register<TMakerTemplate<ODRingAM>>("RingAM", "Effects");
}
