#pragma once

// The signal context: every pipe of the running patch, the processing order,
// the feedback limiters and the tempo clock.
//
// The order is a depth-first post-order walk from each terminal pipe (a pipe
// without outlets: the sound output) back along the connections, so every
// pipe runs after the pipes it reads from. Pipes that cannot reach a terminal
// pipe are not processed at all. A connection that leads back to a pipe the
// walk is still inside closes a cycle: its consumer runs first and reads what
// the source produced in the previous block (one block of delay), and an
// OutletLimiter on the source's outlet keeps the loop from running away.
// Limiters are kept across reorderings as long as their cycle exists, so a
// loop's gain, filter and noise state do not jump when unrelated wiring
// changes.
//
// Threads: every operation except ProcessBlock() runs on the user-interface
// thread with the graph lock held whenever output may run; ProcessBlock()
// runs in the engine cycle under the same lock. The clock fields are written
// by the user-interface thread without the lock, so they are atomics.

#include <atomic>
#include <cstddef>
#include <functional>
#include <ostream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "signal/dc_blocker.h"
#include "signal/noise_source.h"
#include "signal/pipe.h"

class MGDynSigContext {
public:
    class OutletLimiter {
    public:
        enum Stage : unsigned char { Idle = 0, Attack = 1, Hold = 2, Release = 3 };

        float threshold = 1.0f;
        float ceiling = 2.0f;
        int attackLength = static_cast<int>(MGSampleRate * 0.05);
        int holdLength = static_cast<int>(MGSampleRate * 0.0);
        int releaseLength = static_cast<int>(MGSampleRate * 0.05);
        unsigned char stage = Idle;
        float gain = 1.0f;
        float gainStep = 0.0f;
        int countdown = 0;
        MGDCBlocker dcBlocker;
        MGNoiseSource noise;
        MGDynSigPipe* pipe;
        int outlet;

        OutletLimiter(MGDynSigPipe* pipe, int outlet);

        // Noise, DC blocking and the gain ramp, in place on the limited
        // outlet's block.
        void Run(MGSignal& s);

        // The gain ramp alone.
        void LimitBlock(MGSignal& s);
    };

    bool destroying = false;
    int generation = 0;
    std::vector<MGDynSigPipe*> terminalPipes;
    std::vector<MGDynSigPipe*> updateList;
    std::vector<MGDynSigPipe*> allPipes;
    std::vector<OutletLimiter*> limiters;
    std::vector<OutletLimiter*> spareLimiters;

    // Tempo clock: 24 ticks per beat, 96 per bar. tickPosition is the
    // position at the first sample of the block being processed.
    std::atomic<double> tickPosition{0.0};
    std::atomic<double> samplesPerTick{MGSampleRate * (1.0 / 48.0)};
    std::atomic<bool> clockRunning{false};

    // Holds back every reordering while many connections are made or broken
    // at once, as when a document loads or a patch is emptied: reordering
    // after each of n connections of a chain costs n passes over up to n
    // pipes. When the last batch ends, one pass orders the graph as it then
    // is, if any change asked for one. Meanwhile the order is the one from
    // before the batch (minus pipes that left), so hold the graph lock for
    // the batch's whole life: a block processed in between would miss what
    // was connected meanwhile.
    class Batch {
    public:
        explicit Batch(MGDynSigContext& context);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        MGDynSigContext& context;
    };

    MGDynSigContext() = default;
    MGDynSigContext(const MGDynSigContext&) = delete;
    MGDynSigContext& operator=(const MGDynSigContext&) = delete;

    // Destroys every pipe still registered, last first, then the limiters.
    ~MGDynSigContext();

    void AddPipe(MGDynSigPipe* pipe);
    void RemovePipe(MGDynSigPipe* pipe);

    // Both pipes must belong to this context. With `replace`, an occupied
    // target inlet is disconnected first; without, it makes Connect fail.
    bool Connect(MGDynSigPipe* source, int outlet, MGDynSigPipe* target, int inlet, bool replace);
    bool Disconnect(MGDynSigPipe* source, int outlet, MGDynSigPipe* target, int inlet);

    void UpdateOrder();

    // One block of the whole graph: every pipe of the update list, then the
    // limiters, then the clock.
    void ProcessBlock();

    void Dump(std::ostream& out) const;

    // The limiter on (pipe, outlet), or null.
    OutletLimiter* FindLimiter(const MGDynSigPipe* pipe, int outlet) const;

    // Removes one connection from both of its records and tells the consumer,
    // without touching any context's order.
    static void Unlink(MGDynSigPipe* source, int outlet, MGDynSigPipe* target, int inlet);

private:
    struct LimiterKey {
        const MGDynSigPipe* pipe;
        int outlet;
        bool operator==(const LimiterKey&) const = default;
    };
    struct LimiterKeyHash {
        std::size_t operator()(const LimiterKey& k) const noexcept {
            return std::hash<const void*>()(k.pipe) ^ (static_cast<std::size_t>(k.outlet) << 1);
        }
    };
    // Where the walk through one pipe's inlets has got to.
    struct VisitFrame {
        MGDynSigPipe* pipe;
        std::size_t nextInlet;
    };

    int batchDepth = 0;
    bool orderPending = false;
    // Kept between passes so that reordering a large patch again does not
    // allocate them again.
    std::vector<VisitFrame> visitStack;
    std::unordered_map<LimiterKey, std::size_t, LimiterKeyHash> spareSlots;
    std::unordered_set<LimiterKey, LimiterKeyHash> limitedOutlets;

    void Visit(MGDynSigPipe* root);
    void Enter(MGDynSigPipe* p);
    void LimitCycle(MGDynSigPipe* source, int outlet);
};
