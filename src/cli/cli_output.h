// How results are put into words and files: the verdicts, JSON lines, hex
// and printable renderings of byte strings, and the rows the render command
// writes.
#pragma once

#include "codec/jpeg/jpeg_render.h"
#include "platform/file_stream.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::cli {

// The window's own text for a verification code, line break ("\r\n") included.
std::string_view VerdictText(int32_t Code);

// One verification as a text line: path, code and verdict separated by tabs,
// the verdict's line break turned into a blank. No trailing newline.
std::string FormatVerifyText(std::string_view Path, int32_t Code);
// The same as one JSON object {"path":..,"code":..,"verdict":..}.
std::string FormatVerifyJson(std::string_view Path, int32_t Code);

// A JSON string literal, quotes included, in plain ASCII. Every byte above
// 0x7E and every control byte is escaped; a byte B above 0x7F becomes \u00BB,
// so that reading each character back as one byte (Latin-1) restores the
// path's bytes exactly, whatever encoding they were in.
std::string JsonString(std::string_view Bytes);

// Upper-case hex digits, two a byte, no separators.
std::string HexBytes(std::string_view Bytes);
// Eight upper-case hex digits.
std::string Hex8(uint32_t Value);
// Printable ASCII as it stands, a backslash doubled, every other byte as \xHH.
std::string PrintableText(std::string_view Bytes);

// The register over every row, started at 0 with no key, fed (3 x width)
// mod 65536 bytes a row: the count signing feeds.
uint32_t RowsChecksum(const TRenderedImage& Image);

// Binary PPM (P6): the rows with each pixel's first and third bytes swapped,
// blue-green-red becoming red-green-blue.
void WritePpm(const TRenderedImage& Image, TFileStream& Out);
// The rows as they stand, 3 x width bytes each, top first.
void WriteRawRows(const TRenderedImage& Image, TFileStream& Out);
// Raw rows for a ".bgr" name (any case), PPM for every other. A file that
// fails after it was opened is removed. Raises EFileError.
void WriteRenderedImage(const TRenderedImage& Image, const std::string& Path);

} // namespace quillon::cli
