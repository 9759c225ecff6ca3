#include "read_ahead.h"

#include <algorithm>

namespace quillon {

TReadAhead::TReadAhead(TFileStream& Source, int64_t From, int64_t To, size_t BlockSize,
                       TThreadBudget& Threads)
    : FSource(Source), FFrom(From), FTo(std::max(From, To)), FBlockSize(BlockSize),
      FReadHere(From) {
    TThreadToken Token = TThreadToken::TryTake(Threads);
    for (TSlot& S : FSlots) {
        S.Data = std::make_unique_for_overwrite<uint8_t[]>(BlockSize);
        if (!Token)
            break; // the caller reads into the first slot only
    }
    FSource.Seek(From);
    if (Token)
        FReader.emplace(std::move(Token), [this] { Read(); });
}

TReadAhead::~TReadAhead() {
    if (!FReader)
        return;
    {
        const std::lock_guard<std::mutex> Guard(FLock);
        FStop = true;
    }
    FChanged.notify_all();
    FReader.reset(); // joins; Read keeps its errors in the slots
}

const uint8_t* TReadAhead::ReadHere(size_t& Size) {
    Size = static_cast<size_t>(std::min<int64_t>(FTo - FReadHere, FBlockSize));
    if (Size == 0)
        return nullptr;
    uint8_t* Block = FSlots[0].Data.get();
    if (FSource.Read(Block, Size) != Size)
        throw EFileError("Stream read error on file \"" + FSource.FileName() + "\"",
                         TFileErrorKind::EndOfFile);
    FReadHere += static_cast<int64_t>(Size);
    return Block;
}

void TReadAhead::Read() {
    int64_t Block = 0;
    for (int64_t Offset = FFrom; Offset < FTo; ++Block) {
        TSlot& S = FSlots[Block % Slots];
        {
            std::unique_lock<std::mutex> Guard(FLock);
            FChanged.wait(Guard, [&] { return FStop || !S.Full; });
            if (FStop)
                return;
        }
        const size_t Want = static_cast<size_t>(std::min<int64_t>(FTo - Offset, FBlockSize));
        std::exception_ptr Error;
        try {
            if (FSource.Read(S.Data.get(), Want) != Want)
                throw EFileError("Stream read error on file \"" + FSource.FileName() + "\"",
                                 TFileErrorKind::EndOfFile);
        } catch (...) {
            Error = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> Guard(FLock);
            S.Size = Want;
            S.Error = Error;
            S.Full = true;
        }
        FChanged.notify_all();
        if (Error)
            return;
        Offset += static_cast<int64_t>(Want);
    }
}

const uint8_t* TReadAhead::Next(size_t& Size) {
    if (!FReader)
        return ReadHere(Size);
    const int64_t Blocks =
        (FTo - FFrom + static_cast<int64_t>(FBlockSize) - 1) / static_cast<int64_t>(FBlockSize);
    if (FTaken > 0) {
        // The caller is done with the block handed over last.
        {
            const std::lock_guard<std::mutex> Guard(FLock);
            FSlots[(FTaken - 1) % Slots].Full = false;
        }
        FChanged.notify_all();
    }
    if (FTaken == Blocks) {
        Size = 0;
        return nullptr;
    }
    TSlot& S = FSlots[FTaken % Slots];
    {
        std::unique_lock<std::mutex> Guard(FLock);
        FChanged.wait(Guard, [&] { return S.Full; });
    }
    if (S.Error)
        std::rethrow_exception(S.Error);
    ++FTaken;
    Size = S.Size;
    return S.Data.get();
}

} // namespace quillon
