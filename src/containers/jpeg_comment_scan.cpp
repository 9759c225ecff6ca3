// Reading the comment that carries a file's signature.
#include "KvJpegComment.h"
#include "jpeg_segment_reader.h"

namespace quillon {

std::string ReadJpegComment(const std::string& Path) {
    TFileStream In(Path, TFileMode::OpenRead);
    TJpegByteReader Reader(In);
    // The first two bytes (SOI in a JPEG file) are taken unchecked.
    Reader.ReadByte();
    Reader.ReadByte();
    std::string Result;
    for (;;) {
        TJpegSegment Seg = ReadNextSegment(Reader);
        if (Seg.Marker == MarkerCOM)
            Result = std::move(Seg.Payload);
        if (Reader.AtEnd() || Seg.Marker == MarkerSOS)
            break;
    }
    return Result;
}

} // namespace quillon
