#pragma once
// Threads, locks and events for product code. The shipped Windows program is built with a runtime that
// has no standard thread or mutex classes (and must not import what Windows XP lacks), so product code
// uses these instead: _beginthreadex, CRITICAL_SECTION and kernel events on Windows, the standard library
// elsewhere.
#include <functional>
#include <memory>

namespace qm {

// Runs one function on a thread of its own. Destroying a thread that still runs waits for it.
class Thread {
public:
    Thread();
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts fn; false when the system refused a thread or one was already started and not joined.
    bool Start(std::function<void()> fn);
    // Waits for the function to return; nothing happens when no thread runs.
    void Join();
    bool Joinable() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void Lock();
    void Unlock();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class LockGuard {
public:
    explicit LockGuard(Mutex& m) : m_(m) { m_.Lock(); }
    ~LockGuard() { m_.Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Mutex& m_;
};

// A manual-reset event: once set it stays set until reset; waiters wake at once.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    void Set();
    void Reset();
    // True when the event was set within `milliseconds` (negative: wait without limit).
    bool Wait(int milliseconds);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Blocks the calling thread for about `milliseconds`.
void SleepMilliseconds(int milliseconds);

} // namespace qm
