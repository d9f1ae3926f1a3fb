#include "contraptions/mixing/busses.h"

ODMonoBuss::ODMonoBuss(MGDynSigContext* context, int inputs)
    : MGSignalProcessor(context, inputs, 1), inletCount(inputs) {
    SetOutletSignal(0, &output);
}

// Sums in inlet order, in single precision, without scaling: the sum may
// pass full scale.
void ODMonoBuss::Process() {
    ownInputs.Keep(*this);
    bool first = true;
    for (int k = 0; k < inletCount; ++k) {
        if (!IsInletConnected(k))
            continue;
        const MGSignal& in = ownInputs.Input(*this, k);
        if (first)
            output = in;
        else
            output += in;
        first = false;
    }
    if (first)
        output = 0.0f;
}

ODStereoBuss::ODStereoBuss(MGDynSigContext* context, int inputs)
    : MGSignalProcessor(context, 2 * inputs, 2), inletCount(2 * inputs) {
    SetOutletSignal(0, &left);
    SetOutletSignal(1, &right);
}

void ODStereoBuss::Process() {
    ownInputs.Keep(*this);
    bool first = true;
    for (int k = 0; k + 1 < inletCount; k += 2) {
        const bool hasLeft = IsInletConnected(k);
        const bool hasRight = IsInletConnected(k + 1);
        if (!hasLeft && !hasRight)
            continue;
        const MGSignal& l = ownInputs.Input(*this, hasLeft ? k : k + 1);
        const MGSignal& r = ownInputs.Input(*this, hasRight ? k + 1 : k);
        if (first) {
            left = l;
            right = r;
        } else {
            left += l;
            right += r;
        }
        first = false;
    }
    if (first) {
        left = 0.0f;
        right = 0.0f;
    }
}
