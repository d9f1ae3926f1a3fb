#pragma once

// What contraptions need from the engine module that owns the running
// patch: the signal context their processors join, the graph lock, and the
// flag that tells the document a contraption changed. The engine module
// implements it; tests use a fake.

class MGDynSigContext;

class TContraptionEngine {
public:
    virtual ~TContraptionEngine() = default;

    // The patch's signal context.
    virtual MGDynSigContext& Context() = 0;

    // The graph lock (the output stream's lock), taken and released by the
    // interface thread. A second LockGraph before UnlockGraph does nothing.
    virtual void LockGraph() = 0;
    virtual void UnlockGraph() = 0;

    // Whether a contraption's state changed since the document was saved.
    virtual void SetContraptionsModified(bool modified) = 0;
};

// Holds the graph lock for a scope.
class TGraphLock {
public:
    explicit TGraphLock(TContraptionEngine& engine) : engine(engine) { engine.LockGraph(); }
    ~TGraphLock() { engine.UnlockGraph(); }
    TGraphLock(const TGraphLock&) = delete;
    TGraphLock& operator=(const TGraphLock&) = delete;

private:
    TContraptionEngine& engine;
};
