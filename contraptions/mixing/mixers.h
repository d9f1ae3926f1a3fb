#pragma once

// Gain-controlled mixers for 2 to 12 inputs: stereo inputs to a stereo
// output, mono inputs panned to a stereo output, mono inputs to a mono
// output. Every channel's gain glides to each new setting over one block,
// so knob moves never click. A new mixer is silent until its master and a
// channel gain are raised.
//
// One abstract class per family carries the master gain and the outputs;
// a class template holds the N channels, and each size is a small class of
// its own name (ODS2Mixer ... ODM12Mixer).

#include <span>

#include "contraptions/mixing/own_outlet_inputs.h"
#include "signal/property.h"
#include "signal/function_table.h"
#include "signal/pipe.h"
#include "signal/ramps.h"
#include "signal/ranged_table.h"
#include "signal/signal.h"

// Inlet 2k is the left and 2k + 1 the right channel of channel k.
class ODStereoMixer : public MGSignalProcessor {
public:
    MGDoubleProperty masterGain{0.0};
    MGSignal left;
    MGSignal right;

    // Channel `index`'s gain, or null outside 0 .. N - 1.
    virtual MGDoubleProperty* GainProperty(int index) = 0;

protected:
    explicit ODStereoMixer(int channels);

    void Mix(std::span<MGDoubleProperty> gains, std::span<MGVInterp> ramps);

private:
    ODOwnOutletInputs<2> ownInputs{{&left, &right}};
};

// Inlet k is channel k.
class ODMonoMixer : public MGSignalProcessor {
public:
    MGDoubleProperty masterGain{0.0};
    MGSignal output;

    virtual MGDoubleProperty* GainProperty(int index) = 0;

protected:
    explicit ODMonoMixer(int channels);

    void Mix(std::span<MGDoubleProperty> gains, std::span<MGVInterp> ramps);

private:
    ODOwnOutletInputs<1> ownInputs{{&output}};
};

// Inlet k is channel k. Pan 0 is fully left, 1 fully right; at 0.5 both
// sides get the channel's full gain.
class ODPanPotMixer : public MGSignalProcessor {
public:
    MGDoubleProperty masterGain{0.0};
    MGSignal left;
    MGSignal right;
    MGFunctionTable panLaw{1024};
    MGRangedTable panRange;

    virtual MGDoubleProperty* GainProperty(int index) = 0;
    virtual MGDoubleProperty* PanProperty(int index) = 0;

protected:
    explicit ODPanPotMixer(int channels);

    void Mix(std::span<MGDoubleProperty> gains, std::span<MGDoubleProperty> pans,
             std::span<MGVInterp> leftRamps, std::span<MGVInterp> rightRamps);

private:
    ODOwnOutletInputs<2> ownInputs{{&left, &right}};
};

template <int N> class ODStereoMixerOf : public ODStereoMixer {
public:
    MGDoubleProperty gains[N];
    MGVInterp ramps[N];

    ODStereoMixerOf() : ODStereoMixer(N) {}
    void Process() override { Mix(gains, ramps); }
    void InitPropertyInfo() override;
    MGDoubleProperty* GainProperty(int index) override {
        return index >= 0 && index < N ? &gains[index] : nullptr;
    }
};

template <int N> class ODMonoMixerOf : public ODMonoMixer {
public:
    MGDoubleProperty gains[N];
    MGVInterp ramps[N];

    ODMonoMixerOf() : ODMonoMixer(N) {}
    void Process() override { Mix(gains, ramps); }
    void InitPropertyInfo() override;
    MGDoubleProperty* GainProperty(int index) override {
        return index >= 0 && index < N ? &gains[index] : nullptr;
    }
};

template <int N> class ODPanPotMixerOf : public ODPanPotMixer {
public:
    MGDoubleProperty gains[N];
    MGDoubleProperty pans[N];
    MGVInterp leftRamps[N];
    MGVInterp rightRamps[N];

    ODPanPotMixerOf();
    void Process() override { Mix(gains, pans, leftRamps, rightRamps); }
    void InitPropertyInfo() override;
    MGDoubleProperty* GainProperty(int index) override {
        return index >= 0 && index < N ? &gains[index] : nullptr;
    }
    MGDoubleProperty* PanProperty(int index) override {
        return index >= 0 && index < N ? &pans[index] : nullptr;
    }
};

template <int N> void ODStereoMixerOf<N>::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(masterGain, "MasterGain");
        for (int k = 0; k < N; ++k)
            r.AddNumbered(gains[k], "Gain_%d", k);
    });
}

template <int N> void ODMonoMixerOf<N>::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(masterGain, "MasterGain");
        for (int k = 0; k < N; ++k)
            r.AddNumbered(gains[k], "Gain_%d", k);
    });
}

template <int N> ODPanPotMixerOf<N>::ODPanPotMixerOf() : ODPanPotMixer(N) {
    for (MGDoubleProperty& pan : pans)
        pan.SetValue(0.5);
}

template <int N> void ODPanPotMixerOf<N>::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(masterGain, "MasterGain");
        for (int k = 0; k < N; ++k) {
            r.AddNumbered(gains[k], "Gain_%d", k);
            r.AddNumbered(pans[k], "Pan_%d", k);
        }
    });
}

class ODS2Mixer final : public ODStereoMixerOf<2> {};
class ODS3Mixer final : public ODStereoMixerOf<3> {};
class ODS4Mixer final : public ODStereoMixerOf<4> {};
class ODS6Mixer final : public ODStereoMixerOf<6> {};
class ODS8Mixer final : public ODStereoMixerOf<8> {};
class ODS12Mixer final : public ODStereoMixerOf<12> {};

class ODP2Mixer final : public ODPanPotMixerOf<2> {};
class ODP3Mixer final : public ODPanPotMixerOf<3> {};
class ODP4Mixer final : public ODPanPotMixerOf<4> {};
class ODP6Mixer final : public ODPanPotMixerOf<6> {};
class ODP8Mixer final : public ODPanPotMixerOf<8> {};
class ODP12Mixer final : public ODPanPotMixerOf<12> {};

class ODM2Mixer final : public ODMonoMixerOf<2> {};
class ODM3Mixer final : public ODMonoMixerOf<3> {};
class ODM4Mixer final : public ODMonoMixerOf<4> {};
class ODM6Mixer final : public ODMonoMixerOf<6> {};
class ODM8Mixer final : public ODMonoMixerOf<8> {};
class ODM12Mixer final : public ODMonoMixerOf<12> {};
