// The sign and verify entries. Each catches every failure inside and reports
// it only through its result: a flag for signing, a code for verification.
// The richer forms carry, beside the flag or code, a short reason in words
// taken from the failure that really occurred; the plain entries are thin
// wrappers over them. Signing writes the destination in one replacement
// (platform/pending_file.h): a link there is replaced, never followed; a
// folder, FIFO, socket or device there is refused.
#pragma once

#include "strong_verdict.h"

#include <cstdint>
#include <string>

namespace quillon {

// Verification codes shared by the entries (each entry documents which it gives).
enum : int32_t {
    VerifyOk = 1,
    VerifyMismatch = 0,
    VerifyNoSiteCode = -1,
    VerifyNoFile = -2,
    VerifyNoSignature = -3,
    VerifyNoTemp = -4,
    VerifyCopyFailed = -5,
    VerifyOtherFailure = -9,
};

// A verification code with its reason ("" for the verdicts 1 and 0).
struct TVerifyResult {
    int32_t Code = VerifyOtherFailure;
    std::string Reason;

    TVerifyResult(int32_t C = VerifyOtherFailure, std::string Why = {})
        : Code(C), Reason(std::move(Why)) {}
};

// A signing flag with the reason it failed ("" on success).
struct TSignResult {
    bool Ok = false;
    std::string Reason;

    TSignResult(bool Signed = false, std::string Why = {}) : Ok(Signed), Reason(std::move(Why)) {}
};

struct TCallContext;

// The keyed checksum's result and, beside it, the strong tag's verdict,
// found by the same passes over the file.
struct TMediaVerdict {
    TVerifyResult Legacy;
    TStrongVerdict Strong;
};

// Each richer entry comes twice: with the default context, and with the
// caller's (call_context.h), which also gives the calling thread its seat
// in the thread budget for the call.

// AVI: a 20-byte "JUNK" trailer with two keyed checksums.
TSignResult SignAviFile(const char* SiteCode, const char* SrcPath, const char* DstPath);
TSignResult SignAviFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                        const TCallContext& Context);
TVerifyResult VerifyAviFile(const char* SiteCode, const char* Path);
TVerifyResult VerifyAviFile(const char* SiteCode, const char* Path, const TCallContext& Context);
// The same result as VerifyAviFile from one read of the file itself, without
// the copy into TEMP: for read-only media, a TEMP without room, or movies too
// large to copy. -4 and -5 do not occur.
TVerifyResult VerifyAviFileInPlace(const char* SiteCode, const char* Path);
TVerifyResult VerifyAviFileInPlace(const char* SiteCode, const char* Path,
                                   const TCallContext& Context);
// With a key: the same trailer, and the strong tag in front of it (the
// trailer's checksums cover the tag).
TSignResult SignAviFileWithTag(const char* SiteCode, const char* SrcPath, const char* DstPath,
                               const TStrongSigner& Signer, const TCallContext& Context);
// The legacy result exactly as VerifyAviFile (or, with InPlace,
// VerifyAviFileInPlace) gives it, and the tag's verdict from the same read.
TMediaVerdict VerifyAviFileWithTag(const char* SiteCode, const char* Path, bool InPlace,
                                   const TTrustedKeyList& Trusted, const TCallContext& Context);
bool SignAVI(const char* SiteCode, const char* SrcPath, const char* DstPath);
int32_t VerifyAVI(const char* SiteCode, const char* Path);

// JPEG: re-encode, checksum the rendered rows, store the value in a comment.
TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath);
TSignResult SignJpegFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                         const TCallContext& Context);
// The same, with the source's EXIF, XMP and ICC profile segments carried
// into the copy (they change neither its pixels nor its signature).
TSignResult SignJpegFileKeepingMetadata(const char* SiteCode, const char* SrcPath,
                                        const char* DstPath, const TCallContext& Context);
TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path);
TVerifyResult VerifyJpegFile(const char* SiteCode, const char* Path, const TCallContext& Context);
// With a key: the same copy with the strong tag behind the comment.
TSignResult SignJpegFileWithTag(const char* SiteCode, const char* SrcPath, const char* DstPath,
                                bool KeepMetadata, const TStrongSigner& Signer,
                                const TCallContext& Context);
// The legacy result as VerifyJpegFile gives it, and the tag's verdict from
// the same rendering.
TMediaVerdict VerifyJpegFileWithTag(const char* SiteCode, const char* Path,
                                    const TTrustedKeyList& Trusted, const TCallContext& Context);
bool SignJpeg(const char* SiteCode, const char* SrcPath, const char* DstPath);
int32_t VerifyJpeg(const char* SiteCode, const char* Path);

} // namespace quillon
