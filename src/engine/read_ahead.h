// A range of a file handed over block by block in order, while a thread of
// its own reads the next blocks: the checksum of one block runs while the
// system copies the following ones out of the page cache.
#pragma once

#include "platform/file_stream.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace quillon {

class TReadAhead {
  public:
    // Bytes From..To-1 of Source, in blocks of BlockSize. Source is read
    // only by the reading thread until this object is gone.
    TReadAhead(TFileStream& Source, int64_t From, int64_t To, size_t BlockSize);
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

    TFileStream& FSource;
    int64_t FFrom, FTo;
    size_t FBlockSize;
    TSlot FSlots[Slots];
    int64_t FTaken = 0; // blocks handed over, by the caller
    bool FStop = false; // under FLock
    std::mutex FLock;
    std::condition_variable FChanged;
    std::thread FReader;
};

} // namespace quillon
