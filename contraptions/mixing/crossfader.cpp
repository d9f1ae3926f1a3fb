#include "contraptions/mixing/crossfader.h"

#include "signal/bounded.h"

ODCrossfader::ODCrossfader() : MGSignalProcessor(nullptr, 4, 2) {
    SetOutletSignal(0, &left);
    SetOutletSignal(1, &right);
}

void ODCrossfader::InitPropertyInfo() {
    static MGPropertyList::Info info;
    propertyList.Attach(info, [this](MGPropertyList::Registrar& r) {
        r.Add(masterGain, "MasterGain");
        r.Add(trimA, "TrimA");
        r.Add(trimB, "TrimB");
        r.Add(fade, "Fade");
    });
}

// The targets are recomputed every block; the smoothers make that cheap
// change of setting click-free.
void ODCrossfader::Process() {
    ownInputs.Keep(*this);
    // A mono source on either inlet of an input feeds both sides.
    auto side = [this](int inlet, int other) -> const MGSignal& {
        return ownInputs.Input(*this, IsInletConnected(inlet) ? inlet : other);
    };
    const MGSignal& aLeft = side(0, 1);
    const MGSignal& aRight = side(1, 0);
    const MGSignal& bLeft = side(2, 3);
    const MGSignal& bRight = side(3, 2);

    // Held to what the window and a document can sensibly set (see
    // MGMaxPropertyGain): beyond 0 ... 1 the fade would turn a side's gain
    // negative or past unity. A NaN takes the default.
    const double f = MGBounded(fade.Value(), 0.0, 1.0, 0.0);
    const double gainA = f < 0.5 ? 1.0 : (0.5 - (f - 0.5)) * 2;
    const double gainB = f > 0.5 ? 1.0 : f * 2;
    const double master = MGBounded(masterGain.Value(), 0.0, MGMaxPropertyGain, 1.0);
    const double a = MGBounded(trimA.Value(), 0.0, MGMaxPropertyGain, 1.0);
    const double b = MGBounded(trimB.Value(), 0.0, MGMaxPropertyGain, 1.0);
    smootherA.SetTarget(static_cast<float>(gainA * a * master));
    smootherB.SetTarget(static_cast<float>(gainB * b * master));

    // Each smoother runs through the left block and then on through the
    // right one: two steps per frame.
    smootherA.Apply(aLeft, left);
    smootherA.Apply(aRight, right);
    smootherB.ApplyAdd(bLeft, left);
    smootherB.ApplyAdd(bRight, right);
}
