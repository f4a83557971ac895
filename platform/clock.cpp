#include "platform/clock.h"

#include <time.h>

namespace ztx {

int Clock::MinutesOfDay() {
    const time_t now = time(nullptr);
    tm local{};
    if (localtime_r(&now, &local) == nullptr) return 0;
    return local.tm_hour * 60 + local.tm_min;
}

uint32_t RealClock::TickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void RealClock::Sleep(uint32_t ms) {
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0) {
    }
}

uint32_t LockstepClock::TickCount() {
    std::lock_guard<std::mutex> g(lock_);
    return static_cast<uint32_t>(now_);
}

void LockstepClock::RunNext() {
    anyRunning_ = false;
    if (waiting_.empty()) return;
    size_t best = 0;
    for (size_t i = 1; i < waiting_.size(); ++i) {
        const Waiter& a = waiting_[i];
        const Waiter& b = waiting_[best];
        if (a.wake < b.wake || (a.wake == b.wake && a.order < b.order)) best = i;
    }
    if (waiting_[best].wake > now_) now_ = waiting_[best].wake;
    running_ = waiting_[best].id;
    anyRunning_ = true;
    waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(best));
    turn_.notify_all();
}

void LockstepClock::WaitForTurn(std::unique_lock<std::mutex>& lock) {
    const std::thread::id me = std::this_thread::get_id();
    turn_.wait(lock, [&] { return anyRunning_ && running_ == me; });
}

void LockstepClock::Sleep(uint32_t ms) {
    std::unique_lock<std::mutex> lock(lock_);
    waiting_.push_back({std::this_thread::get_id(), now_ + ms, order_++});
    RunNext();
    WaitForTurn(lock);
}

void LockstepClock::AttachThread() {
    std::unique_lock<std::mutex> lock(lock_);
    waiting_.push_back({std::this_thread::get_id(), now_, order_++});
    if (!anyRunning_) RunNext();
    WaitForTurn(lock);
}

void LockstepClock::DetachThread() {
    std::unique_lock<std::mutex> lock(lock_);
    if (anyRunning_ && running_ == std::this_thread::get_id()) RunNext();
}

namespace {
RealClock g_realClock;
std::atomic<Clock*> g_clock{&g_realClock};
}  // namespace

Clock& CurrentClock() { return *g_clock.load(std::memory_order_acquire); }

void SetClock(Clock* clock) { g_clock.store(clock ? clock : &g_realClock, std::memory_order_release); }

}  // namespace ztx
