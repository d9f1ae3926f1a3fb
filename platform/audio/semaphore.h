#pragma once

// A counting semaphore that the audio threads share with device callbacks.
//
// It sits on a POSIX semaphore: releasing never blocks or allocates (a
// device callback may do nothing more), and waits are measured on the
// monotonic clock, so changing the wall clock cannot stretch a timeout.

#include <atomic>
#include <cerrno>
#include <ctime>

#include <semaphore.h>

class VXSemaphore {
public:
    // Counts beyond `maximum` are dropped, as a bounded system semaphore
    // refuses them: a reader that stopped taking counts must not find
    // millions waiting when it comes back.
    explicit VXSemaphore(int maximum = 32) : maximum_(maximum) { sem_init(&sem_, 0, 0); }
    ~VXSemaphore() { sem_destroy(&sem_); }
    VXSemaphore(const VXSemaphore&) = delete;
    VXSemaphore& operator=(const VXSemaphore&) = delete;

    void Release(int n = 1) {
        for (int i = 0; i < n; ++i) {
            int value = 0;
            sem_getvalue(&sem_, &value);
            if (value >= maximum_)
                return;
            handoff_.fetch_add(1, std::memory_order_release);
            sem_post(&sem_);
        }
    }

    // Takes one count if there is one, without waiting.
    bool TryAcquire() {
        while (sem_trywait(&sem_) != 0)
            if (errno != EINTR)
                return false;
        handoff_.load(std::memory_order_acquire);
        return true;
    }

    // Takes one count, waiting at most `timeoutMs`: 1 when taken, 0 on
    // timeout, -1 when the wait itself failed.
    int Acquire(int timeoutMs) {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += timeoutMs / 1000;
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        while (sem_clockwait(&sem_, CLOCK_MONOTONIC, &deadline) != 0) {
            if (errno == EINTR)
                continue;
            return errno == ETIMEDOUT ? 0 : -1;
        }
        handoff_.load(std::memory_order_acquire);
        return 1;
    }

    // Takes every count there is; returns how many.
    int Drain() {
        int n = 0;
        while (TryAcquire())
            ++n;
        return n;
    }

private:
    sem_t sem_;
    int maximum_;
    // What the releasing thread wrote before Release is visible after the
    // matching acquire. POSIX promises that for the semaphore itself; the
    // atomic states it in terms the thread sanitizer follows, which does not
    // see through sem_clockwait.
    std::atomic<unsigned> handoff_{0};
};
