#include "signal/pipe.h"

#include "signal/context.h"

MGDynSigPipe::MGDynSigPipe(MGDynSigContext* c, int inletCount, int outletCount)
    : inlets(static_cast<size_t>(inletCount < 0 ? 0 : inletCount)),
      outlets(static_cast<size_t>(outletCount < 0 ? 0 : outletCount)) {
    if (c != nullptr) {
        context = c;
        c->AddPipe(this);
    }
}

MGDynSigPipe::~MGDynSigPipe() {
    DisconnectAll();
    if (context != nullptr)
        context->RemovePipe(this);
}

void MGDynSigPipe::DisconnectAll() {
    for (int i = 0; i < InletCount(); ++i) {
        Inlet& in = inlets[static_cast<size_t>(i)];
        if (in.signal == &MGSilentSignal)
            continue;
        if (context != nullptr)
            context->Disconnect(in.source, in.sourceOutlet, this, i);
        else
            MGDynSigContext::Unlink(in.source, in.sourceOutlet, this, i);
    }
    for (int k = 0; k < OutletCount(); ++k) {
        Outlet& out = outlets[static_cast<size_t>(k)];
        while (!out.inletRefs.empty()) {
            const Outlet::InletRef ref = out.inletRefs.back();
            if (context != nullptr)
                context->Disconnect(this, k, ref.pipe, ref.inlet);
            else
                MGDynSigContext::Unlink(this, k, ref.pipe, ref.inlet);
        }
    }
}

void MGDynSigPipe::InletConnectionChanged(int) {}

void MGDynSigPipe::SetContext(MGDynSigContext* c) {
    if (c == context)
        return;
    if (context != nullptr) {
        DisconnectAll();
        context->RemovePipe(this);
    }
    context = c;
    if (c != nullptr)
        c->AddPipe(this);
}

void MGDynSigPipe::SetOutletSignal(int outlet, MGSignal* s) {
    Outlet& out = outlets[static_cast<size_t>(outlet)];
    out.signal = s;
    for (const Outlet::InletRef& ref : out.inletRefs) {
        ref.pipe->inlets[static_cast<size_t>(ref.inlet)].signal = s;
        ref.pipe->InletConnectionChanged(ref.inlet);
    }
}

MGSignalProcessor::MGSignalProcessor(MGDynSigContext* c, int inletCount, int outletCount)
    : MGDynSigPipe(c, inletCount, outletCount) {
    // Reaches this class's version during construction: every processor has
    // a valid (empty) Info from the start.
    MGSignalProcessor::InitPropertyInfo();
}

void MGSignalProcessor::Reset() {}

void MGSignalProcessor::InitPropertyInfo() {
    propertyList.info = &MGPropertyList::emptyInfo;
}
