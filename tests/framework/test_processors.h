#pragma once

// Processor types and a fake engine for the framework's tests.

#include <string>

#include "framework/contraption_engine.h"
#include "framework/contraption_window.h"
#include "signal/property.h"
#include "signal/context.h"
#include "signal/pipe.h"

// Shaped like the ring modulator: a frequency and a switch.
class TestRing : public MGSignalProcessor {
public:
    MGDoubleProperty frequency{440.0};
    MGBoolProperty am{false};
    int resets = 0;

    TestRing() : MGSignalProcessor(nullptr, 2, 1) { SetOutletSignal(0, &out); }
    void Process() override {}
    void Reset() override { ++resets; }
    void InitPropertyInfo() override {
        static MGPropertyList::Info info;
        propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
            r.Add(frequency, "Frequency");
            r.Add(am, "AM", "false - Ring, true - AM");
        });
    }

private:
    MGSignal out;
};

// One property of every type, and a numbered array.
class TestAllTypes : public MGSignalProcessor {
public:
    MGBoolProperty flag{true};
    MGIntProperty count{-3};
    MGDoubleProperty gain{0.5};
    MGRangeProperty span{-1.0f, 2.5f};
    MGCStringProperty file{"loop.wav"};
    MG8CharsProperty notes{36};
    MGDoubleProperty levels[3]{1.0, 2.0, 3.0};

    TestAllTypes() : MGSignalProcessor(nullptr, 0, 0) {}
    void Process() override {}
    void InitPropertyInfo() override {
        static MGPropertyList::Info info;
        propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
            r.Add(flag, "Flag");
            r.Add(count, "Count");
            r.Add(gain, "Gain");
            r.Add(span, "Span");
            r.Add(file, "File");
            r.Add(notes, "Notes");
            for (int i = 0; i < 3; ++i)
                r.AddNumbered(levels[i], "Level_%d", i);
        });
    }
};

// No properties of its own: keeps the empty Info.
class TestSilent : public MGSignalProcessor {
public:
    TestSilent() : MGSignalProcessor(nullptr, 1, 0) {}
    void Process() override {}
};

class FakeEngine : public TContraptionEngine {
public:
    MGDynSigContext context;
    int lockDepth = 0;
    int locks = 0;
    bool modified = false;

    MGDynSigContext& Context() override { return context; }
    void LockGraph() override {
        ++lockDepth;
        ++locks;
    }
    void UnlockGraph() override { --lockDepth; }
    void SetContraptionsModified(bool m) override { modified = m; }
};

// A window that records what the framework asks of it.
class FakeWindow : public TContraptionWindow {
public:
    int left = 0, top = 0;
    int refreshes = 0;
    int shows = 0;
    std::string caption;
    bool* destroyed;

    explicit FakeWindow(bool* destroyed) : destroyed(destroyed) {}
    ~FakeWindow() override { *destroyed = true; }
    void RefreshControls() override { ++refreshes; }
    void SetCaption(const std::string& c) override { caption = c; }
    void ShowIn(TPatternedScrollBox*) override { ++shows; }
    void GetContentPosition(int& l, int& t) const override {
        l = left;
        t = top;
    }
};
