#ifdef _WIN32
#include "platform/Threads.h"

#include <windows.h>
#include <process.h>

namespace qm {

namespace {

unsigned __stdcall RunThread(void* arg) {
    std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(arg));
    (*fn)();
    return 0;
}

} // namespace

struct Thread::Impl {
    HANDLE handle = nullptr;
};

Thread::Thread() : impl_(std::make_unique<Impl>()) {}
Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> fn) {
    if (impl_->handle) return false;
    auto* arg = new std::function<void()>(std::move(fn));
    // _beginthreadex, not CreateThread: the C runtime's per-thread data is set up and freed with it.
    const uintptr_t h = _beginthreadex(nullptr, 0, &RunThread, arg, 0, nullptr);
    if (h == 0) {
        delete arg;
        return false;
    }
    impl_->handle = reinterpret_cast<HANDLE>(h);
    return true;
}

void Thread::Join() {
    if (!impl_->handle) return;
    WaitForSingleObject(impl_->handle, INFINITE);
    CloseHandle(impl_->handle);
    impl_->handle = nullptr;
}

bool Thread::Joinable() const { return impl_->handle != nullptr; }

struct Mutex::Impl {
    CRITICAL_SECTION cs;
};

Mutex::Mutex() : impl_(std::make_unique<Impl>()) { InitializeCriticalSection(&impl_->cs); }
Mutex::~Mutex() { DeleteCriticalSection(&impl_->cs); }
void Mutex::Lock() { EnterCriticalSection(&impl_->cs); }
void Mutex::Unlock() { LeaveCriticalSection(&impl_->cs); }

struct Event::Impl {
    HANDLE handle = nullptr;
};

Event::Event() : impl_(std::make_unique<Impl>()) { impl_->handle = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
Event::~Event() {
    if (impl_->handle) CloseHandle(impl_->handle);
}
void Event::Set() { SetEvent(impl_->handle); }
void Event::Reset() { ResetEvent(impl_->handle); }
bool Event::Wait(int milliseconds) {
    const DWORD limit = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    return WaitForSingleObject(impl_->handle, limit) == WAIT_OBJECT_0;
}

void SleepMilliseconds(int milliseconds) { Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds)); }

} // namespace qm
#endif
