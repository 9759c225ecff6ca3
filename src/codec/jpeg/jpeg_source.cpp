#include "jpeg_source.h"

#include <algorithm>

#include <jerror.h>

#include "jpeg_codec_errors.h"

namespace quillon {

namespace {

constexpr size_t PieceSize = 4096;

TJpegMemorySource& SourceOf(j_decompress_ptr Info) {
    return *reinterpret_cast<TJpegMemorySource*>(Info->src);
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr Info) {
    TJpegMemorySource& S = SourceOf(Info);
    if (S.Offset >= S.Size) {
        if (S.StartOfFile)
            RaiseJpegError(reinterpret_cast<j_common_ptr>(Info), JERR_INPUT_EMPTY);
        Info->err->msg_code = JWRN_JPEG_EOF;
        Info->err->emit_message(reinterpret_cast<j_common_ptr>(Info), -1);
        S.Pub.next_input_byte = S.FakeEoi;
        S.Pub.bytes_in_buffer = 2;
        return TRUE;
    }
    const size_t Count = std::min(PieceSize, S.Size - S.Offset);
    S.Pub.next_input_byte = S.Data + S.Offset;
    S.Pub.bytes_in_buffer = Count;
    S.Offset += Count;
    S.StartOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr Info, long Count) {
    if (Count <= 0)
        return;
    TJpegMemorySource& S = SourceOf(Info);
    size_t Left = static_cast<size_t>(Count);
    while (Left > S.Pub.bytes_in_buffer) {
        Left -= S.Pub.bytes_in_buffer;
        FillInputBuffer(Info);
    }
    S.Pub.next_input_byte += Left;
    S.Pub.bytes_in_buffer -= Left;
}

void TermSource(j_decompress_ptr) {}

} // namespace

void AttachJpegMemorySource(jpeg_decompress_struct& Info, TJpegMemorySource& Source,
                            const uint8_t* Data, size_t Size) {
    Source.Data = Data;
    Source.Size = Size;
    Source.Offset = 0;
    Source.StartOfFile = true;
    Source.Pub.init_source = InitSource;
    Source.Pub.fill_input_buffer = FillInputBuffer;
    Source.Pub.skip_input_data = SkipInputData;
    Source.Pub.resync_to_restart = jpeg_resync_to_restart;
    Source.Pub.term_source = TermSource;
    Source.Pub.next_input_byte = nullptr;
    Source.Pub.bytes_in_buffer = 0;
    Info.src = &Source.Pub;
}

} // namespace quillon
