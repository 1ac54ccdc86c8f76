#ifndef _WIN32
#include "platform/Threads.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qm {

struct Thread::Impl {
    std::thread t;
};

Thread::Thread() : impl_(std::make_unique<Impl>()) {}
Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> fn) {
    if (impl_->t.joinable()) return false;
    try {
        impl_->t = std::thread(std::move(fn));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Thread::Join() {
    if (impl_->t.joinable()) impl_->t.join();
}

bool Thread::Joinable() const { return impl_->t.joinable(); }

struct Mutex::Impl {
    std::mutex m;
};

Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { impl_->m.lock(); }
void Mutex::Unlock() { impl_->m.unlock(); }

struct Event::Impl {
    std::mutex m;
    std::condition_variable cv;
    bool set = false;
};

Event::Event() : impl_(std::make_unique<Impl>()) {}
Event::~Event() = default;

void Event::Set() {
    {
        std::lock_guard<std::mutex> lock(impl_->m);
        impl_->set = true;
    }
    impl_->cv.notify_all();
}

void Event::Reset() {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->set = false;
}

bool Event::Wait(int milliseconds) {
    std::unique_lock<std::mutex> lock(impl_->m);
    if (milliseconds < 0) {
        impl_->cv.wait(lock, [this] { return impl_->set; });
        return true;
    }
    return impl_->cv.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return impl_->set; });
}

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds));
}

} // namespace qm
#endif
