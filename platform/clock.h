// The clock interface: every reading of time and every pause in the program
// goes through it, so that tests and the headless renderer can run the
// animation on a virtual clock and get the same pictures every time.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace ztx {

// Minutes since midnight of a virtual clock's tick (tick 0 is midnight).
constexpr int MinutesOfDayAtTick(uint32_t tick) { return static_cast<int>(tick / 60000u % 1440u); }

// A monotonic millisecond tick count (unsigned 32-bit, wrapping) and a sleep.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // A worker thread announces itself when it starts and when it ends, so a
    // clock that schedules threads (LockstepClock) knows who takes part.
    virtual void AttachThread() {}
    virtual void DetachThread() {}
    // The local time of day in minutes since midnight (0..1439), for what
    // shows the time. The machine's local time; virtual clocks answer from
    // their tick count instead (tick 0 is midnight), so runs on them show
    // the same time every time.
    virtual int MinutesOfDay();
};

// The machine's monotonic clock.
class RealClock final : public Clock {
public:
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
};

// Time that moves only when somebody sleeps or advances it. Sleeping returns
// at once after moving the time forward, so a run on this clock is as fast as
// the machine allows and its results do not depend on the machine.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(uint32_t start = 0) : now_(start) {}
    uint32_t TickCount() override { return now_.load(std::memory_order_relaxed); }
    void Sleep(uint32_t ms) override { Advance(ms); }
    void Advance(uint32_t ms) { now_.fetch_add(ms, std::memory_order_relaxed); }
    void Set(uint32_t t) { now_.store(t, std::memory_order_relaxed); }
    int MinutesOfDay() override { return MinutesOfDayAtTick(TickCount()); }

private:
    std::atomic<uint32_t> now_;
};

// Virtual time shared by several threads that run one at a time, in a fixed
// order: a thread runs until it sleeps; then the attached thread with the
// earliest wake-up time runs next (ties go to the one that went to sleep
// first), and the time jumps to that wake-up. Threads that draw random
// numbers and share state therefore interleave the same way on every run,
// which makes a multi-threaded animation reproducible bit for bit.
// Threads that are not attached may read the time but must not sleep on it.
// A thread that starts another lets it attach (sleeping 0 ms until it has)
// before sleeping for any time, so the newcomer's place in the order is fixed.
class LockstepClock final : public Clock {
public:
    explicit LockstepClock(uint32_t start = 0) : now_(start) {}
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    void AttachThread() override;
    void DetachThread() override;
    int MinutesOfDay() override { return MinutesOfDayAtTick(TickCount()); }

private:
    struct Waiter {
        std::thread::id id;
        uint64_t wake;
        uint64_t order;
    };
    void RunNext();  // with lock_ held
    void WaitForTurn(std::unique_lock<std::mutex>& lock);
    std::mutex lock_;
    std::condition_variable turn_;
    uint64_t now_;
    uint64_t order_ = 0;
    std::vector<Waiter> waiting_;
    std::thread::id running_{};
    bool anyRunning_ = false;
};

// The process-wide clock (the real one unless a test or tool installs another).
Clock& CurrentClock();
// Installs `clock` as the process-wide clock; nullptr restores the real one.
// The caller keeps ownership and must keep it alive while it is installed.
void SetClock(Clock* clock);

// Shorthands for the process-wide clock.
inline uint32_t GetTickCount() { return CurrentClock().TickCount(); }
inline void SleepMs(uint32_t ms) { CurrentClock().Sleep(ms); }
inline int LocalMinutesOfDay() { return CurrentClock().MinutesOfDay(); }

}  // namespace ztx
