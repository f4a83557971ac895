// The clock interface: every reading of time and every pause in the program
// goes through it, so that tests and the headless renderer can run the
// animation on a virtual clock and get the same pictures every time.
#pragma once
#include <atomic>
#include <cstdint>

namespace ztx {

// A monotonic millisecond tick count (unsigned 32-bit, wrapping) and a sleep.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
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

private:
    std::atomic<uint32_t> now_;
};

// The process-wide clock (the real one unless a test or tool installs another).
Clock& CurrentClock();
// Installs `clock` as the process-wide clock; nullptr restores the real one.
// The caller keeps ownership and must keep it alive while it is installed.
void SetClock(Clock* clock);

// Shorthands for the process-wide clock.
inline uint32_t GetTickCount() { return CurrentClock().TickCount(); }
inline void SleepMs(uint32_t ms) { CurrentClock().Sleep(ms); }

}  // namespace ztx
