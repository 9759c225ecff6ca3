// The JPEG entries: the signature is the keyed checksum of the rendered rows
// of the re-encoded copy, kept as "KvWM", a NUL and signed decimal in a COM
// segment ahead of the frame header.
#include "call_context.h"
#include "failure_text.h"
#include "jpeg_checksum.h"
#include "mediasign.h"
#include "signature_number.h"

#include "codec/jpeg/jpeg_reencode.h"
#include "containers/KvJpegComment.h"
#include "containers/jpeg_metadata.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/pending_file.h"

#include <cstring>
#include <string>

namespace quillon {

namespace {

const std::string Tag = "KvWM";
constexpr size_t MaxNumberChars = 256;

std::string ReadWholeFile(const std::string& Path) {
    TFileStream In(Path, TFileMode::OpenRead);
    std::string Bytes(static_cast<size_t>(In.Size()), '\0');
    Bytes.resize(In.Read(Bytes.data(), Bytes.size()));
    return Bytes;
}

// The stream Data with the signature of its rendered rows in its comment.
std::string SignedStream(const char* SiteCode, const uint8_t* Data, size_t Size,
                         const TJpegDecodeContext& Context) {
    const uint32_t CRC = JpegSignatureChecksum(SiteCode, Data, Size, Context);
    std::string Comment = Tag;
    Comment.push_back('\0');
    Comment += FormatSignatureNumber(CRC);
    return JpegWithComment(Data, Size, Comment);
}

// The signed copy is made whole in memory (re-encoded, its rows checksummed,
// the comment and the metadata put in) and written to the destination in one
// replacement: whatever fails or interrupts the signing, the destination
// holds the old file or the new signed one, never an unsigned or partial one.
TSignResult SignJpegCopy(const char* SiteCode, const char* SrcPath, const char* DstPath,
                         bool KeepMetadata, const TCallContext& Context) {
    if (SiteCode == nullptr || SrcPath == nullptr || DstPath == nullptr)
        return {false, "missing argument"};
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        // A destination that may not be replaced is refused before any work.
        TPendingFile Out(DstPath);
        std::vector<TJpegSegment> Metadata;
        if (KeepMetadata) {
            try {
                Metadata = ReadJpegMetadata(SrcPath);
            } catch (...) {
                return {false, "the metadata could not be carried over: " + CurrentFailureText()};
            }
        }
        std::string Signed;
        if (FileExists(SrcPath)) {
            const TEncodedJpeg Encoded = ReencodeJpegFile(SrcPath, Context.Decoding());
            Signed = SignedStream(SiteCode, Encoded.Data.get(), Encoded.Size, Context.Decoding());
        } else {
            // No source: the file at the destination is signed with the
            // pixels it holds.
            const std::string Existing = ReadWholeFile(DstPath);
            Signed = SignedStream(SiteCode, reinterpret_cast<const uint8_t*>(Existing.data()),
                                  Existing.size(), Context.Decoding());
        }
        if (KeepMetadata)
            InsertJpegMetadataInMemory(Signed, Metadata);
        Out.Stream().Write(Signed.data(), Signed.size());
        Out.Commit();
        return {true};
    } catch (...) {
        return {false, CurrentFailureText()};
    }
}

} // namespace

TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignJpegCopy(SiteCode, SrcPath, DstPath, false, TCallContext{});
}

TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                         const TCallContext& Context) {
    return SignJpegCopy(SiteCode, SrcPath, DstPath, false, Context);
}

TSignResult SignJpegFileKeepingMetadata(const char* SiteCode, const char* SrcPath,
                                        const char* DstPath, const TCallContext& Context) {
    return SignJpegCopy(SiteCode, SrcPath, DstPath, true, Context);
}

TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path) {
    return VerifyJpegFile(SiteCode, Path, TCallContext{});
}

TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path, const TCallContext& Context) {
    if (SiteCode == nullptr || *SiteCode == '\0')
        return {VerifyNoSiteCode, "the site code is empty"};
    if (Path == nullptr || *Path == '\0')
        return {VerifyNoFile, "no file given"};
    if (!FileExists(Path))
        return {VerifyNoFile, MissingFileReason(Path)};
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        // The checksum comes first: an unrenderable file fails even when it
        // carries no signature.
        const uint32_t CRC = JpegSignatureChecksum(SiteCode, Path, Context.Decoding());
        const std::string Comment = ReadJpegComment(Path);
        if (Comment.compare(0, Tag.size(), Tag) != 0)
            return {VerifyNoSignature, "no signature comment"};
        const std::string_view Stored = Comment.size() > 5
                                            ? std::string_view(Comment).substr(5, MaxNumberChars)
                                            : std::string_view();
        const int32_t Value = ParseSignatureNumber(Stored).value_or(0);
        return static_cast<uint32_t>(Value) == CRC ? VerifyOk : VerifyMismatch;
    } catch (...) {
        return {VerifyOtherFailure, CurrentFailureReason()};
    }
}

bool SignJpeg(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignJpegFile(SiteCode, SrcPath, DstPath).Ok;
}

int32_t VerifyJpeg(const char* SiteCode, const char* Path) {
    return VerifyJpegFile(SiteCode, Path).Code;
}

} // namespace quillon
