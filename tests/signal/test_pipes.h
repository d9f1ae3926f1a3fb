#pragma once

#include <string>
#include <utility>
#include <vector>

#include "signal/context.h"
#include "signal/pipe.h"

// A processor that writes, on every outlet, the sum of its inlets plus a
// constant, logs its name when processed and records every
// InletConnectionChanged call.
class TestPipe : public MGSignalProcessor {
public:
    TestPipe(std::string name, int inletCount, int outletCount,
             std::vector<std::string>* log = nullptr, MGDynSigContext* context = nullptr)
        : MGSignalProcessor(context, inletCount, outletCount), name(std::move(name)), log(log),
          outs(static_cast<size_t>(outletCount)) {
        for (int k = 0; k < outletCount; ++k)
            SetOutletSignal(k, &outs[static_cast<size_t>(k)]);
    }

    void Process() override {
        if (log != nullptr)
            log->push_back(name);
        for (MGSignal& out : outs) {
            out = constant;
            for (const Inlet& in : inlets)
                out += *in.signal;
        }
    }

    void InletConnectionChanged(int inlet) override { changes.push_back(inlet); }

    std::string name;
    std::vector<std::string>* log;
    std::vector<MGSignal> outs;
    std::vector<int> changes;
    float constant = 0.0f;
};

inline std::vector<MGDynSigPipe*> Pipes(std::initializer_list<MGDynSigPipe*> l) {
    return l;
}
