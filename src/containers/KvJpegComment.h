// The JPEG comment segment: reading it and writing a file with a new one.
// Texts are counted 8-bit strings and may hold NUL bytes. (Re-encoding a
// file into the form every signed copy has is the codec's job:
// codec/jpeg/jpeg_reencode.h.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// Payload of the last COM segment before SOS ("" when none). Raises EFileError.
std::string ReadJpegComment(const std::string& Path);
// The JPEG stream Data with its header-area COM segments dropped and one
// that holds Comment inserted in front of the first marker 0xC0..0xCF.
// Raises EFileError for a header the comment would not read back from (no
// such marker, with a non-empty Comment, or a segment length below 2) and
// for a stream that ends before its header area does.
std::string JpegWithComment(const uint8_t* Data, size_t Size, const std::string& Comment);
// The same from the file Src into the file Dst, which is replaced in one step
// once the copy is complete (a link there is replaced, never followed). On
// failure Dst stays as it was.
void CopyJpegWithComment(const std::string& SrcPath, const std::string& DstPath,
                         const std::string& Comment);
// Directory (with its trailing separator) + "temp_" + ten capitals + ".$$$",
// naming nothing that exists, not even a dangling link.
std::string MakeTempFileName(const std::string& Directory);
// Replaces the file at Path by a copy that carries Comment. Raises on failure,
// leaving the file as it was.
void WriteJpegComment(const std::string& Path, const std::string& Comment);

} // namespace quillon
