// The JPEG entries: the signature is the keyed checksum of the rendered rows
// of the re-encoded copy, kept as "KvWM", a NUL and signed decimal in a COM
// segment ahead of the frame header.
#include "call_context.h"
#include "failure_text.h"
#include "jpeg_checksum.h"
#include "mediasign.h"
#include "signature_number.h"
#include "strong_photo.h"

#include "codec/jpeg/jpeg_reencode.h"
#include "codec/jpeg/jpeg_limits.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "containers/jpeg_metadata.h"
#include "containers/strong_tag_place.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/pending_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace quillon {

namespace {

const std::string Tag = "KvWM";
// Bytes read first to look for a tag; a header area is rarely longer.
constexpr size_t HeaderProbeBytes = 1 << 20;
constexpr size_t MaxNumberChars = 256;

std::string ReadWholeFile(const std::string& Path) {
    TFileStream In(Path, TFileMode::OpenRead);
    std::string Bytes(static_cast<size_t>(In.Size()), '\0');
    Bytes.resize(In.Read(Bytes.data(), Bytes.size()));
    return Bytes;
}

std::string SignatureComment(uint32_t CRC) {
    std::string Comment = Tag;
    Comment.push_back('\0');
    Comment += FormatSignatureNumber(CRC);
    return Comment;
}

// The stream Data with the signature of its rendered rows in its comment.
std::string SignedStream(const char* SiteCode, const uint8_t* Data, size_t Size,
                         const TJpegDecodeContext& Context) {
    const uint32_t CRC = JpegSignatureChecksum(SiteCode, Data, Size, Context);
    return JpegWithComment(Data, Size, SignatureComment(CRC));
}

// The rows of a stream to be signed with a key, their keyed checksum and
// their pixel digest, from one rendering.
struct TSignedRows {
    uint32_t CRC = 0;
    uint32_t Width = 0, Height = 0, TileSize = 0;
    std::unique_ptr<TPixelDigestFeed> Pixels;
};

TSignedRows RenderForSigning(const char* SiteCode, const uint8_t* Data, size_t Size,
                             const TJpegDecodeContext& Context) {
    // Rendered whole: the tile size follows from the height, known only
    // once the frame is read. Re-encoding held the image whole already.
    const TRenderedImage Image = RenderJpeg(TJpegInput::Memory(Data, Size), Context);
    TSignedRows Rows;
    FeedSiteCode(SiteCode, Rows.CRC);
    Rows.Width = static_cast<uint32_t>(Image.Width);
    Rows.Height = static_cast<uint32_t>(Image.Height);
    Rows.TileSize = ChooseTileSize(Rows.Width, Rows.Height);
    Rows.Pixels = std::make_unique<TPixelDigestFeed>(Rows.Width, Rows.Height, Rows.TileSize);
    for (int32_t Y = 0; Y < Image.Height; ++Y) {
        FeedRenderedRow(Image.Row(Y), Image.Width, Rows.CRC);
        Rows.Pixels->AddRow(Image.Row(Y));
    }
    return Rows;
}

std::span<const uint8_t> BytesOf(const std::string& Text) {
    return {reinterpret_cast<const uint8_t*>(Text.data()), Text.size()};
}

// The signed copy is made whole in memory (re-encoded, its rows checksummed,
// the comment and the metadata put in) and written to the destination in one
// replacement: whatever fails or interrupts the signing, the destination
// holds the old file or the new signed one, never an unsigned or partial one.
// With a signer the strong tag goes in last, over the finished copy's
// bytes, before the one write.
TSignResult SignJpegCopy(const char* SiteCode, const char* SrcPath, const char* DstPath,
                         bool KeepMetadata, const TStrongSigner* Signer,
                         const TCallContext& Context) {
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
        std::string Source;
        TEncodedJpeg Encoded;
        if (FileExists(SrcPath)) {
            Encoded = ReencodeJpegFile(SrcPath, Context.Decoding());
        } else {
            // No source: the file at the destination is signed with the
            // pixels it holds (a tag it carries is replaced).
            Source = ReadWholeFile(DstPath);
            const TTagSpot Old = FindJpegTag(BytesOf(Source));
            if (Signer != nullptr && Old.State == TTagSpot::Present) {
                const std::vector<uint8_t> Rest = WithoutSegment(BytesOf(Source), Old);
                Source.assign(Rest.begin(), Rest.end());
            }
        }
        const uint8_t* Data =
            Encoded.Data ? Encoded.Data.get() : reinterpret_cast<const uint8_t*>(Source.data());
        const size_t Size = Encoded.Data ? Encoded.Size : Source.size();
        std::string Signed;
        TSignedRows Rows;
        if (Signer == nullptr) {
            Signed = SignedStream(SiteCode, Data, Size, Context.Decoding());
        } else {
            Rows = RenderForSigning(SiteCode, Data, Size, Context.Decoding());
            Signed = JpegWithComment(Data, Size, SignatureComment(Rows.CRC));
        }
        if (KeepMetadata)
            InsertJpegMetadataInMemory(Signed, Metadata);
        if (Signer != nullptr) {
            const std::vector<uint8_t> Body = SignedPhotoTag(
                *Rows.Pixels, Rows.Width, Rows.Height, Rows.TileSize, BytesOf(Signed), *Signer);
            const std::vector<uint8_t> Tagged = InsertJpegTag(BytesOf(Signed), Body);
            Signed.assign(Tagged.begin(), Tagged.end());
        }
        Out.Stream().Write(Signed.data(), Signed.size());
        Out.Commit();
        return {true};
    } catch (...) {
        return {false, CurrentFailureText()};
    }
}

// What verification refuses before anything else: no site code, no file.
std::optional<TVerifyResult> RequestProblem(const char* SiteCode, const char* Path) {
    if (SiteCode == nullptr || *SiteCode == '\0')
        return TVerifyResult{VerifyNoSiteCode, "the site code is empty"};
    if (Path == nullptr || *Path == '\0')
        return TVerifyResult{VerifyNoFile, "no file given"};
    if (!FileExists(Path))
        return TVerifyResult{VerifyNoFile, MissingFileReason(Path)};
    return std::nullopt;
}

// The verdict of a comment on rows whose keyed checksum is CRC.
TVerifyResult CommentVerdict(uint32_t CRC, const std::string& Comment) {
    if (Comment.compare(0, Tag.size(), Tag) != 0)
        return {VerifyNoSignature, "no signature comment"};
    const std::string_view Stored = Comment.size() > 5
                                        ? std::string_view(Comment).substr(5, MaxNumberChars)
                                        : std::string_view();
    const int32_t Value = ParseSignatureNumber(Stored).value_or(0);
    return static_cast<uint32_t>(Value) == CRC ? VerifyOk : VerifyMismatch;
}

} // namespace

TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignJpegCopy(SiteCode, SrcPath, DstPath, false, nullptr, TCallContext{});
}

TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                         const TCallContext& Context) {
    return SignJpegCopy(SiteCode, SrcPath, DstPath, false, nullptr, Context);
}

TSignResult SignJpegFileKeepingMetadata(const char* SiteCode, const char* SrcPath,
                                        const char* DstPath, const TCallContext& Context) {
    return SignJpegCopy(SiteCode, SrcPath, DstPath, true, nullptr, Context);
}

TSignResult SignJpegFileWithTag(const char* SiteCode, const char* SrcPath, const char* DstPath,
                                bool KeepMetadata, const TStrongSigner& Signer,
                                const TCallContext& Context) {
    if (Signer.Key == nullptr)
        return {false, "no signing key"};
    return SignJpegCopy(SiteCode, SrcPath, DstPath, KeepMetadata, &Signer, Context);
}

TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path) {
    return VerifyJpegFile(SiteCode, Path, TCallContext{});
}

TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path, const TCallContext& Context) {
    if (std::optional<TVerifyResult> Refused = RequestProblem(SiteCode, Path))
        return *Refused;
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        // The checksum comes first: an unrenderable file fails even when it
        // carries no signature.
        const uint32_t CRC = JpegSignatureChecksum(SiteCode, Path, Context.Decoding());
        return CommentVerdict(CRC, ReadJpegComment(Path));
    } catch (...) {
        return {VerifyOtherFailure, CurrentFailureReason()};
    }
}

TMediaVerdict VerifyJpegFileWithTag(const char* SiteCode, const char* Path,
                                    const TTrustedKeyList& Trusted, const TCallContext& Context) {
    TMediaVerdict Result;
    Result.Strong.Class = TStrongClass::NotChecked;
    if (std::optional<TVerifyResult> Refused = RequestProblem(SiteCode, Path)) {
        Result.Legacy = *Refused;
        return Result;
    }
    std::string File;
    TTagSpot Spot;
    bool TooLarge = false;
    try {
        // The header area first: most photos without a tag are told from
        // their first bytes, and only a photo with one is read whole (its
        // file digest needs every byte), up to the decoding's memory limit.
        TFileStream In(Path, TFileMode::OpenRead);
        const uint64_t Size = static_cast<uint64_t>(In.Size());
        File.resize(static_cast<size_t>(std::min<uint64_t>(Size, HeaderProbeBytes)));
        File.resize(In.Read(File.data(), File.size()));
        if (!JpegHeaderAreaWithin(BytesOf(File)) ||
            FindJpegTag(BytesOf(File)).State != TTagSpot::Absent) {
            TooLarge = Size > MemoryLimitOf(Context.Limits);
            if (!TooLarge && File.size() < Size) {
                const size_t Have = File.size();
                File.resize(static_cast<size_t>(Size));
                File.resize(Have + In.Read(File.data() + Have, File.size() - Have));
            }
        }
        if (!TooLarge)
            Spot = FindJpegTag(BytesOf(File));
    } catch (...) {
        Result.Legacy = {VerifyOtherFailure, CurrentFailureReason()};
        return Result;
    }
    if (TooLarge) {
        Result.Legacy = VerifyJpegFile(SiteCode, Path, Context);
        Result.Strong.Detail = "the file is larger than the memory limit of a photo's check";
        return Result;
    }
    if (Spot.State == TTagSpot::Absent) {
        // Without a tag the check is the one that has always been made.
        Result.Legacy = VerifyJpegFile(SiteCode, Path, Context);
        Result.Strong.Class = TStrongClass::NoTag;
        return Result;
    }
    TCheckedTag Checked = CheckStrongTag(Spot, TMediaKind::Jpeg, Trusted);
    Result.Strong = Checked.Verdict;
    const TThreadSeat Seat(ThreadsOf(Context));
    // The rows feed the keyed checksum and, for a tag whose signature
    // holds, the pixel digest, in one rendering of the bytes read above.
    std::unique_ptr<TPixelDigestFeed> Pixels;
    TRenderedPhoto Photo;
    if (Checked.Tag) {
        const TPixelsSection& Signed = *Checked.Tag->Pixels;
        Pixels = std::make_unique<TPixelDigestFeed>(Signed.Width, Signed.Height, Signed.TileSize);
    }
    bool Rendered = false;
    try {
        uint32_t CRC = 0;
        FeedSiteCode(SiteCode, CRC);
        uint32_t Rows = 0;
        RenderJpegRows(
            TJpegInput::Memory(reinterpret_cast<const uint8_t*>(File.data()), File.size()),
            [&](const uint8_t* Row, int32_t Width) {
                FeedRenderedRow(Row, Width, CRC);
                ++Rows;
                if (!Pixels)
                    return;
                const TPixelsSection& Signed = *Checked.Tag->Pixels;
                if (static_cast<uint32_t>(Width) != Signed.Width || Rows > Signed.Height) {
                    Photo.SizeProblem = "resized or cropped";
                    Pixels.reset();
                    return;
                }
                Pixels->AddRow(Row);
            },
            Context.Decoding());
        Rendered = true;
        if (Pixels && !Pixels->Complete()) {
            Photo.SizeProblem = "resized or cropped";
            Pixels.reset();
        }
        Result.Legacy = CommentVerdict(CRC, ReadJpegComment(Path));
    } catch (...) {
        Result.Legacy = {VerifyOtherFailure, CurrentFailureReason()};
    }
    if (!Checked.Tag)
        return Result;
    if (!Rendered) {
        Result.Strong.Class = TStrongClass::Changed;
        Result.Strong.Detail = "it no longer renders: " + Result.Legacy.Reason;
        return Result;
    }
    Photo.Pixels = Pixels.get();
    Photo.FileDigest = DigestWithoutSegment(BytesOf(File), Spot);
    Photo.FileLength = File.size() - Spot.Length;
    JudgePhoto(Checked, Photo);
    Result.Strong = Checked.Verdict;
    return Result;
}

bool SignJpeg(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignJpegFile(SiteCode, SrcPath, DstPath).Ok;
}

int32_t VerifyJpeg(const char* SiteCode, const char* Path) {
    return VerifyJpegFile(SiteCode, Path).Code;
}

} // namespace quillon
