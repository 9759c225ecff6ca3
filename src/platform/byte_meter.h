// How far a long operation has got, in bytes, for a progress display. The
// code that moves the bytes reports to the meter of its thread, if one is
// installed; threads it starts for the same work take that meter along.
#pragma once

#include <atomic>
#include <cstdint>

namespace quillon {

class TByteMeter {
  public:
    void Add(uint64_t Bytes) { FBytes.fetch_add(Bytes, std::memory_order_relaxed); }
    uint64_t Bytes() const { return FBytes.load(std::memory_order_relaxed); }

  private:
    std::atomic<uint64_t> FBytes{0};
};

// The calling thread's meter, or none.
TByteMeter* CurrentByteMeter();

// Adds to the calling thread's meter, if any.
inline void ReportBytes(uint64_t Bytes) {
    if (TByteMeter* M = CurrentByteMeter())
        M->Add(Bytes);
}

// Installs Meter (may be null) as the calling thread's for the object's lifetime.
class TScopedByteMeter {
  public:
    explicit TScopedByteMeter(TByteMeter* Meter);
    ~TScopedByteMeter();
    TScopedByteMeter(const TScopedByteMeter&) = delete;
    TScopedByteMeter& operator=(const TScopedByteMeter&) = delete;

  private:
    TByteMeter* FPrevious;
};

} // namespace quillon
