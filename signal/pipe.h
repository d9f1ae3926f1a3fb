#pragma once

#include <vector>

#include "signal/property_list.h"
#include "signal/signal.h"

class MGDynSigContext;

// A node of the signal graph with a fixed number of numbered inlets and
// outlets. Every connection is recorded twice: in the consumer's inlet and as
// an InletRef in the producer's outlet; the context keeps the two in step.
//
// Pipes are created, connected and destroyed on the user-interface thread
// while holding the graph lock; Process() runs on the processing thread.
class MGDynSigPipe {
public:
    struct Inlet {
        MGDynSigPipe* source = nullptr;
        int sourceOutlet = -1;
        // The source outlet's signal when connected, &MGSilentSignal when not.
        const MGSignal* signal = &MGSilentSignal;
    };

    struct Outlet {
        struct InletRef {
            MGDynSigPipe* pipe;
            int inlet;
        };
        // One per inlet this outlet feeds, in the order the connections were made.
        std::vector<InletRef> inletRefs;
        // Owned by the processor, not by the outlet.
        MGSignal* signal = &MGDefaultOutletSignal;
    };

    MGDynSigContext* context = nullptr;
    int visitMark = 0;
    bool visiting = false;
    std::vector<Inlet> inlets;
    std::vector<Outlet> outlets;

    // Registers the pipe with `context` when it is not null.
    MGDynSigPipe(MGDynSigContext* context, int inletCount, int outletCount);
    MGDynSigPipe(const MGDynSigPipe&) = delete;
    MGDynSigPipe& operator=(const MGDynSigPipe&) = delete;

    // Disconnects every connection (consumers are told and left on the
    // silent signal) and leaves the context. Call with the graph lock held.
    virtual ~MGDynSigPipe();

    // Computes one block: reads inlets[i].signal, writes every own outlet
    // signal. Called on the processing thread only.
    virtual void Process() = 0;

    // The inlet has just been connected, disconnected or handed another
    // signal; inlets[inlet].signal already holds the new pointer.
    virtual void InletConnectionChanged(int inlet);

    // Moves the pipe to another context. Leaving a context drops the pipe's
    // connections: they are made through a context and cannot outlive it.
    void SetContext(MGDynSigContext* c);

    // Makes `s` the outlet's signal and hands it to every consumer.
    void SetOutletSignal(int outlet, MGSignal* s);

    int InletCount() const { return static_cast<int>(inlets.size()); }
    int OutletCount() const { return static_cast<int>(outlets.size()); }
    bool IsInletConnected(int inlet) const { return inlets[inlet].signal != &MGSilentSignal; }

private:
    friend class MGDynSigContext;
    // Removes every connection of this pipe, through the context when there
    // is one (so the order follows), directly otherwise.
    void DisconnectAll();
};

// Base of every sound module's processing object.
//
// Construction protocol: the base is built with a null context; the concrete
// class builds its properties and signals and assigns its outlet signals;
// the creator then calls InitPropertyInfo() on the finished object and
// attaches it to the engine's context with SetContext() under the graph lock.
class MGSignalProcessor : public MGDynSigPipe {
public:
    MGPropertyList propertyList;

    MGSignalProcessor(MGDynSigContext* context, int inletCount, int outletCount);

    // Returns playback or sequencer state to its start.
    virtual void Reset();

    // Attaches the class's property Info; the default is the empty one.
    virtual void InitPropertyInfo();
};
