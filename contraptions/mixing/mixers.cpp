#include "contraptions/mixing/mixers.h"

#include <algorithm>

#include "signal/bounded.h"

namespace {

// A channel's gain for each frame of one block. The ramp takes one step per
// frame while it moves, and those frames read their gains from a table;
// the frames after it share one constant gain. Either way the loops that
// apply the gains are plain multiplies the compiler vectorises.
struct FrameGains {
    int rampFrames;
    float steady;
    alignas(64) float ramp[MGBlockSize];

    explicit FrameGains(MGVInterp& r) {
        rampFrames = std::clamp(r.remaining, 0, MGBlockSize);
        for (int i = 0; i < rampFrames; ++i)
            ramp[i] = static_cast<float>(r.Step());
        steady = static_cast<float>(r.value);
    }
};

// y = x * gain, or y += x * gain: frames before n take their gains from
// `ramp`, the rest `steady`. An input is never an output of the same mixer
// (those are read from their copies), so the blocks do not overlap.
template <bool Add>
void Scale(const float* __restrict x, float* __restrict y, const float* __restrict ramp, int n,
           float steady) {
    for (int i = 0; i < n; ++i)
        y[i] = Add ? y[i] + x[i] * ramp[i] : x[i] * ramp[i];
    for (int i = n; i < MGBlockSize; ++i)
        y[i] = Add ? y[i] + x[i] * steady : x[i] * steady;
}

void Scale(bool add, const FrameGains& g, const MGSignal& in, MGSignal& out) {
    if (add)
        Scale<true>(in.samples, out.samples, g.ramp, g.rampFrames, g.steady);
    else
        Scale<false>(in.samples, out.samples, g.ramp, g.rampFrames, g.steady);
}

void Apply(bool add, MGVInterp& ramp, const MGSignal& in, MGSignal& out) {
    if (add)
        ramp.ApplyAdd(in, out);
    else
        ramp.Apply(in, out);
}

// Gains and pans as far as the knobs and a document can sensibly go (see
// MGMaxPropertyGain); a NaN gain is silence, a NaN pan the centre.
double Gain(const MGDoubleProperty& p) {
    return MGBounded(p.Value(), 0.0, MGMaxPropertyGain, 0.0);
}

double Pan(const MGDoubleProperty& p) {
    return MGBounded(p.Value(), 0.0, 1.0, 0.5);
}

} // namespace

// Targets are recomputed for every channel, connected or not, whenever the
// master or the channel's own setting changed, so a channel connected later
// plays at the current settings. A ramp moves only while it is applied, that
// is while its channel is connected.

ODStereoMixer::ODStereoMixer(int channels) : MGSignalProcessor(nullptr, 2 * channels, 2) {
    SetOutletSignal(0, &left);
    SetOutletSignal(1, &right);
}

void ODStereoMixer::Mix(std::span<MGDoubleProperty> gains, std::span<MGVInterp> ramps) {
    const bool masterChanged = masterGain.TestAndClearChanged();
    const double master = Gain(masterGain);
    ownInputs.Keep(*this);
    bool first = true;
    for (size_t k = 0; k < gains.size(); ++k) {
        if (gains[k].TestAndClearChanged() || masterChanged)
            ramps[k].SetTarget(master * Gain(gains[k]));
        const int l = 2 * static_cast<int>(k), r = l + 1;
        const bool hasLeft = IsInletConnected(l), hasRight = IsInletConnected(r);
        if (!hasLeft && !hasRight)
            continue;
        // One ramp step per frame drives both sides.
        const FrameGains g(ramps[k]);
        const MGSignal& inLeft = ownInputs.Input(*this, hasLeft ? l : r);
        const MGSignal& inRight = ownInputs.Input(*this, hasRight ? r : l);
        Scale(!first, g, inLeft, left);
        Scale(!first, g, inRight, right);
        first = false;
    }
    if (first) {
        left = 0.0f;
        right = 0.0f;
    }
}

ODMonoMixer::ODMonoMixer(int channels) : MGSignalProcessor(nullptr, channels, 1) {
    SetOutletSignal(0, &output);
}

void ODMonoMixer::Mix(std::span<MGDoubleProperty> gains, std::span<MGVInterp> ramps) {
    const bool masterChanged = masterGain.TestAndClearChanged();
    const double master = Gain(masterGain);
    ownInputs.Keep(*this);
    bool first = true;
    for (size_t k = 0; k < gains.size(); ++k) {
        if (gains[k].TestAndClearChanged() || masterChanged)
            ramps[k].SetTarget(master * Gain(gains[k]));
        const int inlet = static_cast<int>(k);
        if (!IsInletConnected(inlet))
            continue;
        Apply(!first, ramps[k], ownInputs.Input(*this, inlet), output);
        first = false;
    }
    if (first)
        output = 0.0f;
}

ODPanPotMixer::ODPanPotMixer(int channels) : MGSignalProcessor(nullptr, channels, 2) {
    SetOutletSignal(0, &left);
    SetOutletSignal(1, &right);
    panLaw.MakePanCurve();
    panRange.Set(0.0, 1.0, &panLaw);
}

void ODPanPotMixer::Mix(std::span<MGDoubleProperty> gains, std::span<MGDoubleProperty> pans,
                        std::span<MGVInterp> leftRamps, std::span<MGVInterp> rightRamps) {
    const bool masterChanged = masterGain.TestAndClearChanged();
    const double master = Gain(masterGain);
    ownInputs.Keep(*this);
    bool first = true;
    for (size_t k = 0; k < gains.size(); ++k) {
        const bool gainChanged = gains[k].TestAndClearChanged();
        const bool panChanged = pans[k].TestAndClearChanged();
        if (gainChanged || panChanged || masterChanged) {
            const double level = Gain(gains[k]) * master;
            const double pan = Pan(pans[k]);
            leftRamps[k].SetTarget(panRange.Lookup(pan) * level);
            rightRamps[k].SetTarget(panRange.Lookup(1.0 - pan) * level);
        }
        const int inlet = static_cast<int>(k);
        if (!IsInletConnected(inlet))
            continue;
        const MGSignal& in = ownInputs.Input(*this, inlet);
        Apply(!first, leftRamps[k], in, left);
        Apply(!first, rightRamps[k], in, right);
        first = false;
    }
    if (first) {
        left = 0.0f;
        right = 0.0f;
    }
}
