// A range of a file handed over block by block in order, while a thread of
// its own reads the next blocks, where the thread budget has one free: the
// checksum of one block runs while the system copies the following ones out
// of the page cache. Without a free thread each block is read when asked for.
#pragma once

#include "platform/file_stream.h"
#include "platform/thread_budget.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

namespace quillon {

class TReadAhead {
  public:
    // Bytes From..To-1 of Source, in blocks of BlockSize. Source is read
    // only by the reading thread until this object is gone.
    TReadAhead(TFileStream& Source, int64_t From, int64_t To, size_t BlockSize,
               TThreadBudget& Threads);
    ~TReadAhead();
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The next block and its size; nullptr after the last. Raises what the
    // read of that block raised (EFileError EndOfFile when the file ends
    // before To), after every block before it was handed over.
    const uint8_t* Next(size_t& Size);

  private:
    static constexpr int Slots = 3;
    struct TSlot {
        std::unique_ptr<uint8_t[]> Data;
        size_t Size = 0;
        bool Full = false;
        std::exception_ptr Error;
    };
    void Read();
    const uint8_t* ReadHere(size_t& Size);

    TFileStream& FSource;
    int64_t FFrom, FTo;
    size_t FBlockSize;
    TSlot FSlots[Slots];
    int64_t FTaken = 0; // blocks handed over, by the caller
    bool FStop = false; // under FLock
    std::mutex FLock;
    std::condition_variable FChanged;
    std::optional<THelperThread> FReader; // none: the caller reads
    int64_t FReadHere = 0;                // without a reader: the offset next read
};

} // namespace quillon
