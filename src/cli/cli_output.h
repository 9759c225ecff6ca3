// How results are put into words and files: the verdicts, JSON lines, hex
// and printable renderings of byte strings, and the rows the render command
// writes.
#pragma once

#include "codec/jpeg/jpeg_render.h"
#include "engine/mediasign.h"
#include "platform/file_stream.h"
#include "platform/pending_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::cli {

// The forms a verification result is printed in. No trailing newline.
// Tab-separated: path, code, verdict (its line break turned into a blank)
// and reason ("" for the verdicts), path and reason escaped (EscapeField).
std::string FormatVerifyTsv(std::string_view Path, const TVerifyResult& Result);
// One JSON object {"path","code","verdict","reason"}, with "path_bytes" or
// "reason_bytes" where that text is not valid UTF-8 (see JsonTextField).
std::string FormatVerifyJson(std::string_view Path, const TVerifyResult& Result);
// For a person: "path: verdict", then ": reason" when there is one, with
// the control characters of path and reason escaped (EscapeForTerminal).
std::string FormatVerifyWords(std::string_view Path, const TVerifyResult& Result);

// The same with the strong tag's verdict. Tab-separated: five more fields,
// the strong verdict's class (StrongClassName), the key id, the key's
// comment, the signing time (ISO 8601, UTC) and the strong reason, empty
// where unknown. JSON: a "strong" object {"verdict", "key_id",
// "key_comment", "signed_at", "reason"}, the unknown ones left out. Words:
// the legacy line, then " | strong: " and the verdict in words for a file
// with a tag; a file without one keeps the legacy line alone.
std::string FormatMediaVerdictTsv(std::string_view Path, const TMediaVerdict& Verdict);
std::string FormatMediaVerdictJson(std::string_view Path, const TMediaVerdict& Verdict);
std::string FormatMediaVerdictWords(std::string_view Path, const TMediaVerdict& Verdict);

// "Name":"text" with the text escaped as RFC 8259 asks. Valid UTF-8 stands
// as itself; any other byte shows as U+FFFD, and the exact bytes follow in
// an extra field "Name_bytes":"<hex>", so nothing is lost.
std::string JsonTextField(std::string_view Name, std::string_view Bytes);
// The length of the valid UTF-8 sequence at the start of Bytes (0: none).
size_t Utf8SequenceLength(std::string_view Bytes);

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
// Raw rows for a ".bgr" name (any case), PPM for every other, written
// through a new file renamed onto Path once complete; Rule says what it may
// replace there. Raises EFileError, leaving Path as it was.
void WriteRenderedImage(const TRenderedImage& Image, const std::string& Path,
                        TReplace Rule = TReplace::RegularFile);

} // namespace quillon::cli
