#pragma once

// Two stereo inputs, A (inlets 0 and 1) and B (inlets 2 and 3), faded from
// A to B, each with a trim and both under a master gain. The gains glide
// with a 5 Hz one-pole smoother; a new crossfader fades in from silence.

#include "contraptions/mixing/own_outlet_inputs.h"
#include "signal/property.h"
#include "signal/pipe.h"
#include "signal/ramps.h"
#include "signal/signal.h"

class ODCrossfader : public MGSignalProcessor {
public:
    MGDoubleProperty masterGain{1.0};
    MGDoubleProperty trimA{1.0};
    MGDoubleProperty trimB{1.0};
    // 0 plays only A, 1 only B, 0.5 both at full gain.
    MGDoubleProperty fade{0.0};
    MGSignal left;
    MGSignal right;
    MGSmoother smootherA{MGSampleRate, 0.0f, MGSmoother::kCutoff5Hz};
    MGSmoother smootherB{MGSampleRate, 0.0f, MGSmoother::kCutoff5Hz};

    ODCrossfader();
    void Process() override;
    void InitPropertyInfo() override;

private:
    ODOwnOutletInputs<2> ownInputs{{&left, &right}};
};
