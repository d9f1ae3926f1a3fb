#pragma once

// An inlet wired straight back to an outlet of its own processor is a
// feedback loop of one pipe, and like every loop it reads the block before
// this one. The mixing processors write their outputs while they still
// read their inputs, so before the first write they keep a copy of each
// output that one of their inlets reads, and that inlet reads the copy.

#include <array>

#include "signal/pipe.h"
#include "signal/signal.h"

template <int Outlets> class ODOwnOutletInputs {
public:
    explicit ODOwnOutletInputs(const std::array<MGSignal*, Outlets>& outputs) : outputs(outputs) {}

    // At the start of Process, before any output is written.
    void Keep(const MGDynSigPipe& pipe) {
        std::array<bool, Outlets> kept{};
        for (const MGDynSigPipe::Inlet& in : pipe.inlets)
            for (int j = 0; j < Outlets; ++j)
                if (in.signal == outputs[j] && !kept[j]) {
                    previous[j] = *outputs[j];
                    kept[j] = true;
                }
    }

    // The block that `inlet` reads in this block.
    const MGSignal& Input(const MGDynSigPipe& pipe, int inlet) const {
        const MGSignal* s = pipe.inlets[static_cast<size_t>(inlet)].signal;
        for (int j = 0; j < Outlets; ++j)
            if (s == outputs[j])
                return previous[j];
        return *s;
    }

private:
    std::array<MGSignal*, Outlets> outputs;
    std::array<MGSignal, Outlets> previous;
};
