#pragma once

// Real-time scheduling for the audio threads.

// Priorities under SCHED_FIFO: a device's own thread runs above the stream
// worker that feeds it, as a sound driver runs above its clients.
inline constexpr int VXDeviceThreadPriority = 75;
inline constexpr int VXStreamThreadPriority = 70;

// Asks for SCHED_FIFO at `priority` for the calling thread. Ordinary users
// are usually refused; the thread then carries on at normal priority, which
// is why the result is only informative.
bool VXRequestRealtimePriority(int priority);
