// How far a long operation has got, in bytes, for a progress display. The
// caller hands its meter to the work (the call context); the code that
// moves the bytes adds to it, from whichever thread does the moving.
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

} // namespace quillon
