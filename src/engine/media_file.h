// The rules a media file is handled by, in one place for the window and the
// command line: its kind by extension, the name of its signed copy, the
// longest site code, and verification and signing with the external
// library asked first for photos.
#pragma once

#include "call_context.h"
#include "mediasign.h"

#include "crypto/strong_tag.h" // TMediaKind

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// Avi when the extension (from the last dot, if no folder delimiter follows
// it) is ".avi" in any letter case; every other path is a photo.
TMediaKind MediaKindOf(std::string_view Path);
bool IsAviPath(std::string_view Path);
// The whole path with ".mod.avi" or ".mod.jpg" appended.
std::string SignedCopyPath(std::string_view Path);

// A site code travels in a 256-byte buffer with its terminating NUL; a
// longer one could never have signed a file that the window can check.
inline constexpr size_t MaxSiteCodeBytes = 255;

// The entries the dispatch goes through, each bound to a call context;
// tests replace them.
struct TMediaEntries {
    std::function<TVerifyResult(const char* SiteCode, const char* Path)> VerifyAVI;
    std::function<TVerifyResult(const char* SiteCode, const char* Path)> VerifyAviInPlace;
    std::function<int32_t(const char* SiteCode, const char* Path)> VerifyWithWMDll;
    std::function<TVerifyResult(const char* SiteCode, const char* Path)> VerifyJpeg;
    std::function<TSignResult(const char* SiteCode, const char* Src, const char* Dst)> SignAVI;
    std::function<TSignResult(const char* SiteCode, const char* Src, const char* Dst)> SignJpeg;
    // Photos whose EXIF, XMP and ICC segments go into the signed copy too.
    std::function<TSignResult(const char* SiteCode, const char* Src, const char* Dst)>
        SignJpegKeepingMetadata;
    // With a strong tag: signing with a key, and verification that also
    // judges the tag against the trusted keys.
    std::function<TSignResult(const char* SiteCode, const char* Src, const char* Dst,
                              const TStrongSigner& Signer)>
        SignAviWithTag;
    std::function<TSignResult(const char* SiteCode, const char* Src, const char* Dst,
                              bool KeepMetadata, const TStrongSigner& Signer)>
        SignJpegWithTag;
    std::function<TMediaVerdict(const char* SiteCode, const char* Path, bool InPlace,
                                const TTrustedKeyList& Trusted)>
        VerifyAviWithTag;
    std::function<TMediaVerdict(const char* SiteCode, const char* Path,
                                const TTrustedKeyList& Trusted)>
        VerifyJpegWithTag;
};
// The engine's entries, working with Context (limits, thread budget, the
// library's loader and a batch's memo of its absence, the byte meter).
TMediaEntries RealMediaEntries(const TCallContext& Context = {});

struct TVerifyOptions {
    // Movies are checked from the file itself, without a copy in TEMP.
    bool InPlace = false;
};

// AVI files go to the AVI check. Photos go to the external library first;
// only its "verified" stands, anything else falls back to the built-in
// check. Something raised inside the library is an unknown error (-9). A
// site code over MaxSiteCodeBytes is refused like an empty one.
TVerifyResult VerifyMediaFile(const std::string& SiteCode, const std::string& Path,
                              const TVerifyOptions& Options = {},
                              const TMediaEntries& Entries = RealMediaEntries());

// The legacy result and the strong tag's verdict. The legacy result is the
// one VerifyMediaFile gives; a photo the external library verifies is
// still rendered here for its tag.
TMediaVerdict VerifyMediaFileWithTag(const std::string& SiteCode, const std::string& Path,
                                     const TTrustedKeyList& Trusted,
                                     const TVerifyOptions& Options = {},
                                     const TMediaEntries& Entries = RealMediaEntries());

struct TSignOptions {
    // Photos: the source's EXIF, XMP and ICC profile segments go into the
    // signed copy too. They change neither its pixels nor its signature.
    // Such photos are always signed by the built-in signer.
    bool KeepMetadata = false;
    // With a key, a strong tag is added beside the keyed checksum.
    std::optional<TStrongSigner> Strong;
};

// Signs Src into Dst by Src's kind. The site code goes as it is: the
// window's hidden mode hands over whatever was typed.
TSignResult SignMediaFile(const std::string& SiteCode, const std::string& Src,
                          const std::string& Dst, const TSignOptions& Options = {},
                          const TMediaEntries& Entries = RealMediaEntries());

} // namespace quillon
