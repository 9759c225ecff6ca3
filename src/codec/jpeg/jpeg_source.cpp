#include "jpeg_source.h"

#include <jerror.h>

#include "jpeg_codec_errors.h"

namespace quillon {

namespace {

TJpegSource& SourceOf(j_decompress_ptr Info) {
    return *reinterpret_cast<TJpegSource*>(Info->src);
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr Info) {
    TJpegSource& S = SourceOf(Info);
    size_t Count = 0;
    const uint8_t* Piece = S.Reader->Next(Count);
    if (Count == 0) {
        if (S.StartOfFile)
            RaiseJpegError(reinterpret_cast<j_common_ptr>(Info), JERR_INPUT_EMPTY);
        Info->err->msg_code = JWRN_JPEG_EOF;
        Info->err->emit_message(reinterpret_cast<j_common_ptr>(Info), -1);
        S.Pub.next_input_byte = S.FakeEoi;
        S.Pub.bytes_in_buffer = 2;
        return TRUE;
    }
    S.Pub.next_input_byte = Piece;
    S.Pub.bytes_in_buffer = Count;
    S.StartOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr Info, long Count) {
    if (Count <= 0)
        return;
    TJpegSource& S = SourceOf(Info);
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

void AttachJpegSource(jpeg_decompress_struct& Info, TJpegSource& Source, TPieceReader& Reader) {
    Source.Reader = &Reader;
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
