// The platform-independent half of the file stream.
#include "file_stream.h"

#include <algorithm>
#include <memory>

namespace quillon {

void TFileStream::ReadBuffer(void* Buffer, size_t Count) {
    if (Read(Buffer, Count) != Count)
        throw EFileError("Stream read error on file \"" + FFileName + "\"",
                         TFileErrorKind::EndOfFile);
}

void TFileStream::CopyFrom(TFileStream& Source, int64_t Count) {
    if (Count <= 0)
        return;
    constexpr size_t BlockSize = 1 << 20;
    const auto Buffer = std::make_unique_for_overwrite<char[]>(BlockSize);
    while (Count > 0) {
        const size_t Want = static_cast<size_t>(std::min<int64_t>(Count, BlockSize));
        if (Source.Read(Buffer.get(), Want) != Want)
            throw EFileError("Stream read error on file \"" + Source.FFileName + "\"",
                             TFileErrorKind::EndOfFile);
        Write(Buffer.get(), Want);
        Count -= static_cast<int64_t>(Want);
    }
}

void TFileStream::CopyRange(TFileStream& Source, int64_t SourceOffset, int64_t DestOffset,
                            int64_t Count) {
    const int64_t Done = CopyRangeInKernel(Source, SourceOffset, DestOffset, Count);
    if (Done >= Count)
        return;
    // Across file systems, on systems without the call, or at a source that
    // ended early (which the buffered copy then reports).
    Source.Seek(SourceOffset + Done);
    Seek(DestOffset + Done);
    CopyFrom(Source, Count - Done);
}

} // namespace quillon
