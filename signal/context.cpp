#include "signal/context.h"

#include "signal/noise_seed.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace {

// A pipe is registered once and ordered at most once, so its last
// occurrence is its first. Searching from the back finds it at once when a
// patch is taken apart in reverse order of building, as patches are
// emptied; a search from the front would make emptying a large patch
// quadratic.
template <typename T> void EraseOnly(std::vector<T*>& v, T* item) {
    auto it = std::find(v.rbegin(), v.rend(), item);
    if (it != v.rend())
        v.erase(std::next(it).base());
}

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

} // namespace

// ---------------------------------------------------------------------------
// OutletLimiter

MGDynSigContext::OutletLimiter::OutletLimiter(MGDynSigPipe* p, int k) : pipe(p), outlet(k) {
    noise.Seed(MGNoiseSeed());
    noise.SetAntiDenormal();
}

void MGDynSigContext::OutletLimiter::Run(MGSignal& s) {
    noise.Add(s);
    dcBlocker.FilterBlock(s, s);
    // A NaN or infinity that reached the loop would stay in the filter's
    // state forever and silence the loop; start the filter afresh instead.
    if (!std::isfinite(dcBlocker.x1) || !std::isfinite(dcBlocker.y1))
        dcBlocker = MGDCBlocker{};
    LimitBlock(s);
}

void MGDynSigContext::OutletLimiter::LimitBlock(MGSignal& s) {
    for (int i = 0; i < MGBlockSize; ++i) {
        const float x = s.samples[i];
        const float a = std::fabs(x);
        // Idle keeps counting down with a zero step, where the count has no
        // effect; holding it at -1 keeps it from overflowing in a long session.
        if (stage != Idle || countdown > -1)
            --countdown;
        if (a * (static_cast<float>(countdown) * gainStep + gain) > threshold) {
            // The sample would exceed the threshold at the gain the current
            // ramp is heading for: ramp towards the gain that brings it to 1.
            gainStep = (1.0f / a - gain) / static_cast<float>(attackLength);
            countdown = attackLength;
            stage = Attack;
        } else if (countdown <= 0) {
            switch (stage) {
            case Attack:
                gainStep = 0.0f;
                countdown = holdLength;
                stage = Hold;
                break;
            case Hold:
                gainStep = (1.0f - gain) / static_cast<float>(releaseLength);
                countdown = releaseLength;
                stage = Release;
                break;
            case Release:
                gainStep = 0.0f;
                countdown = releaseLength;
                stage = Idle;
                break;
            default:
                break;
            }
        }
        float y = x * gain;
        if (y > ceiling)
            y = ceiling;
        else if (y < -ceiling)
            y = -ceiling;
        else if (y != y)
            y = 0.0f; // NaN must not travel around the loop
        s.samples[i] = y;
        gain += gainStep;
    }
}

// ---------------------------------------------------------------------------
// Context

MGDynSigContext::~MGDynSigContext() {
    // Pipes disconnect one another as they go; `destroying` makes their
    // removal and any reordering that a disconnection would start a no-op,
    // so no pass ever visits a pipe already destroyed.
    destroying = true;
    while (!allPipes.empty()) {
        MGDynSigPipe* p = allPipes.back();
        allPipes.pop_back();
        delete p;
    }
    for (OutletLimiter* l : limiters)
        delete l;
    limiters.clear();
}

void MGDynSigContext::AddPipe(MGDynSigPipe* pipe) {
    allPipes.push_back(pipe);
    if (pipe->OutletCount() > 0) {
        pipe->visitMark = generation - 1;
        return;
    }
    pipe->visitMark = generation;
    terminalPipes.push_back(pipe);
    updateList.push_back(pipe);
}

void MGDynSigContext::RemovePipe(MGDynSigPipe* pipe) {
    if (destroying)
        return;
    EraseOnly(allPipes, pipe);
    if (pipe->visitMark == generation)
        EraseOnly(updateList, pipe);
    // Outside a batch, the pass that the pipe's last disconnection started
    // has already dropped any limiter on it; inside one, that pass is
    // still to come and must not find a limiter on a pipe that is gone.
    if (batchDepth > 0)
        std::erase_if(limiters, [pipe](OutletLimiter* l) {
            if (l->pipe != pipe)
                return false;
            delete l;
            return true;
        });
    if (pipe->OutletCount() > 0)
        return;
    EraseOnly(terminalPipes, pipe);
    UpdateOrder();
}

bool MGDynSigContext::Connect(MGDynSigPipe* source, int outlet, MGDynSigPipe* target, int inlet,
                              bool replace) {
    if (source == nullptr || target == nullptr || source->context != this ||
        target->context != this)
        return false;
    if (!InRange(outlet, source->OutletCount()) || !InRange(inlet, target->InletCount()))
        return false;
    MGDynSigPipe::Inlet& in = target->inlets[static_cast<size_t>(inlet)];
    if (replace && in.source != nullptr)
        Disconnect(in.source, in.sourceOutlet, target, inlet);
    if (in.source != nullptr)
        return false;
    MGDynSigPipe::Outlet& out = source->outlets[static_cast<size_t>(outlet)];
    out.inletRefs.push_back({target, inlet});
    in.source = source;
    in.sourceOutlet = outlet;
    in.signal = out.signal;
    target->InletConnectionChanged(inlet);
    if (target->visitMark == generation)
        UpdateOrder();
    return true;
}

void MGDynSigContext::Unlink(MGDynSigPipe* source, int outlet, MGDynSigPipe* target, int inlet) {
    // An inlet has one source, so the pair occurs once; from the back, a
    // pipe that drops its consumers last first finds each at once.
    auto& refs = source->outlets[static_cast<size_t>(outlet)].inletRefs;
    for (auto it = refs.rbegin(); it != refs.rend(); ++it) {
        if (it->pipe == target && it->inlet == inlet) {
            refs.erase(std::next(it).base());
            break;
        }
    }
    MGDynSigPipe::Inlet& in = target->inlets[static_cast<size_t>(inlet)];
    in.source = nullptr;
    in.sourceOutlet = -1;
    in.signal = &MGSilentSignal;
    target->InletConnectionChanged(inlet);
}

bool MGDynSigContext::Disconnect(MGDynSigPipe* source, int outlet, MGDynSigPipe* target,
                                 int inlet) {
    if (source == nullptr || target == nullptr)
        return false;
    if (!InRange(outlet, source->OutletCount()) || !InRange(inlet, target->InletCount()))
        return false;
    const MGDynSigPipe::Inlet& in = target->inlets[static_cast<size_t>(inlet)];
    if (in.source != source || in.sourceOutlet != outlet)
        return false;
    Unlink(source, outlet, target, inlet);
    // Removing a connection never invalidates the order; it is recomputed
    // only when the source may have dropped out of the processing set.
    if (source->visitMark != generation)
        return true;
    for (const MGDynSigPipe::Outlet& out : source->outlets)
        if (!out.inletRefs.empty())
            return true;
    UpdateOrder();
    return true;
}

MGDynSigContext::Batch::Batch(MGDynSigContext& c) : context(c) {
    ++context.batchDepth;
}

MGDynSigContext::Batch::~Batch() {
    if (--context.batchDepth == 0 && context.orderPending)
        context.UpdateOrder();
}

void MGDynSigContext::UpdateOrder() {
    if (destroying)
        return;
    if (batchDepth > 0) {
        orderPending = true;
        return;
    }
    orderPending = false;
    ++generation;
    updateList.clear();
    spareLimiters.insert(spareLimiters.end(), limiters.begin(), limiters.end());
    limiters.clear();
    spareSlots.clear();
    for (std::size_t i = 0; i < spareLimiters.size(); ++i)
        spareSlots.emplace(LimiterKey{spareLimiters[i]->pipe, spareLimiters[i]->outlet}, i);
    limitedOutlets.clear();
    for (MGDynSigPipe* p : terminalPipes)
        Visit(p);
    for (OutletLimiter* l : spareLimiters)
        delete l;
    spareLimiters.clear();
}

// Depth first, each pipe after everything it reads from. The walk keeps its
// own stack rather than recursing: a chain of a hundred thousand pipes
// would overflow the thread's stack. Every frame resumes a pipe's inlets
// where the recursive form would return to them, so the order is the same.
void MGDynSigContext::Visit(MGDynSigPipe* root) {
    visitStack.clear();
    Enter(root);
    while (!visitStack.empty()) {
        VisitFrame& frame = visitStack.back();
        MGDynSigPipe* p = frame.pipe;
        if (frame.nextInlet == p->inlets.size()) {
            updateList.push_back(p);
            p->visiting = false;
            visitStack.pop_back();
            continue;
        }
        const MGDynSigPipe::Inlet& in = p->inlets[frame.nextInlet++];
        if (in.signal == &MGSilentSignal)
            continue;
        MGDynSigPipe* s = in.source;
        if (s->visitMark != generation)
            Enter(s);
        else if (s->visiting)
            LimitCycle(s, in.sourceOutlet);
    }
}

void MGDynSigContext::Enter(MGDynSigPipe* p) {
    p->visiting = true;
    p->visitMark = generation;
    visitStack.push_back({p, 0});
}

// The connection from (source, outlet) leads back into the walk: it closes
// a cycle. The limiter that was on it before this pass carries on with its
// state; at most one limiter exists per outlet.
void MGDynSigContext::LimitCycle(MGDynSigPipe* source, int outlet) {
    const LimiterKey key{source, outlet};
    if (!limitedOutlets.insert(key).second)
        return;
    OutletLimiter* limiter = nullptr;
    if (auto spare = spareSlots.find(key); spare != spareSlots.end()) {
        std::swap(limiter, spareLimiters[spare->second]);
        spareSlots.erase(spare);
    }
    if (limiter == nullptr)
        limiter = new OutletLimiter(source, outlet);
    limiters.push_back(limiter);
}

MGDynSigContext::OutletLimiter* MGDynSigContext::FindLimiter(const MGDynSigPipe* pipe,
                                                             int outlet) const {
    for (OutletLimiter* l : limiters)
        if (l->pipe == pipe && l->outlet == outlet)
            return l;
    return nullptr;
}

void MGDynSigContext::ProcessBlock() {
    for (MGDynSigPipe* p : updateList)
        p->Process();
    for (OutletLimiter* l : limiters) {
        MGSignal* s = l->pipe->outlets[static_cast<size_t>(l->outlet)].signal;
        // The shared default block is never written; an outlet still on it
        // has nothing of its own to limit.
        if (s != &MGDefaultOutletSignal)
            l->Run(*s);
    }
    if (clockRunning.load(std::memory_order_relaxed))
        tickPosition.store(tickPosition.load(std::memory_order_relaxed) +
                               MGBlockSize / samplesPerTick.load(std::memory_order_relaxed),
                           std::memory_order_relaxed);
}

void MGDynSigContext::Dump(std::ostream& out) const {
    auto line = [&out](const MGDynSigPipe* p) {
        const char* mangled = typeid(*p).name();
        int status = 0;
        char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
        out << '\t' << (status == 0 && name != nullptr ? name : mangled) << "\t [ "
            << static_cast<const void*>(p) << " ]\n";
        std::free(name);
    };
    out << "All Pipes:\n";
    for (const MGDynSigPipe* p : allPipes)
        line(p);
    out << "Terminal Pipes:\n";
    for (const MGDynSigPipe* p : terminalPipes)
        line(p);
    out << "Update List:\n";
    for (const MGDynSigPipe* p : updateList)
        line(p);
}
