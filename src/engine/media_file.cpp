#include "media_file.h"

#include "failure_text.h"

#include "extlib/uKvWMDll.h"
#include "platform/files.h"

namespace quillon {

TMediaKind MediaKindOf(std::string_view Path) {
    return SameTextAscii(ExtractFileExt(Path), ".avi") ? TMediaKind::Avi : TMediaKind::Jpeg;
}

bool IsAviPath(std::string_view Path) {
    return MediaKindOf(Path) == TMediaKind::Avi;
}

std::string SignedCopyPath(std::string_view Path) {
    return std::string(Path) + (IsAviPath(Path) ? ".mod.avi" : ".mod.jpg");
}

TMediaEntries RealMediaEntries(const TCallContext& Context) {
    TMediaEntries E;
    E.VerifyAVI = [Context](const char* Site, const char* Path) {
        return VerifyAviFile(Site, Path, Context);
    };
    E.VerifyAviInPlace = [Context](const char* Site, const char* Path) {
        return VerifyAviFileInPlace(Site, Path, Context);
    };
    E.VerifyWithWMDll = [Context](const char* Site, const char* Path) {
        return VerifyWithWMDllUsing(Site, Path, Context.Loader, Context.LibraryMemo);
    };
    E.VerifyJpeg = [Context](const char* Site, const char* Path) {
        return VerifyJpegFile(Site, Path, Context);
    };
    E.SignAVI = [Context](const char* Site, const char* Src, const char* Dst) {
        return SignAviFile(Site, Src, Dst, Context);
    };
    E.SignJpeg = [Context](const char* Site, const char* Src, const char* Dst) {
        return SignJpegFile(Site, Src, Dst, Context);
    };
    E.SignJpegKeepingMetadata = [Context](const char* Site, const char* Src, const char* Dst) {
        return SignJpegFileKeepingMetadata(Site, Src, Dst, Context);
    };
    E.SignAviWithTag = [Context](const char* Site, const char* Src, const char* Dst,
                                 const TStrongSigner& Signer) {
        return SignAviFileWithTag(Site, Src, Dst, Signer, Context);
    };
    E.SignJpegWithTag = [Context](const char* Site, const char* Src, const char* Dst,
                                  bool KeepMetadata, const TStrongSigner& Signer) {
        return SignJpegFileWithTag(Site, Src, Dst, KeepMetadata, Signer, Context);
    };
    E.VerifyAviWithTag = [Context](const char* Site, const char* Path, bool InPlace,
                                   const TTrustedKeyList& Trusted) {
        return VerifyAviFileWithTag(Site, Path, InPlace, Trusted, Context);
    };
    E.VerifyJpegWithTag = [Context](const char* Site, const char* Path,
                                    const TTrustedKeyList& Trusted) {
        return VerifyJpegFileWithTag(Site, Path, Trusted, Context);
    };
    return E;
}

TVerifyResult VerifyMediaFile(const std::string& SiteCode, const std::string& Path,
                              const TVerifyOptions& Options, const TMediaEntries& Entries) {
    if (SiteCode.size() > MaxSiteCodeBytes)
        return {VerifyNoSiteCode,
                "the site code is longer than " + std::to_string(MaxSiteCodeBytes) + " bytes"};
    const char* Site = SiteCode.c_str();
    const char* File = Path.c_str();
    if (IsAviPath(Path))
        return Options.InPlace ? Entries.VerifyAviInPlace(Site, File)
                               : Entries.VerifyAVI(Site, File);
    try {
        if (Entries.VerifyWithWMDll(Site, File) == LibraryVerified)
            return {VerifyOk};
    } catch (const std::exception& E) {
        return {VerifyOtherFailure, E.what()};
    }
    return Entries.VerifyJpeg(Site, File);
}

TMediaVerdict VerifyMediaFileWithTag(const std::string& SiteCode, const std::string& Path,
                                     const TTrustedKeyList& Trusted,
                                     const TVerifyOptions& Options,
                                     const TMediaEntries& Entries) {
    if (SiteCode.size() > MaxSiteCodeBytes) {
        TMediaVerdict Refused{VerifyMediaFile(SiteCode, Path, Options, Entries), {}};
        Refused.Strong.Class = TStrongClass::NotChecked;
        return Refused;
    }
    const char* Site = SiteCode.c_str();
    const char* File = Path.c_str();
    if (IsAviPath(Path))
        return Entries.VerifyAviWithTag(Site, File, Options.InPlace, Trusted);
    int32_t Library = 0;
    try {
        Library = Entries.VerifyWithWMDll(Site, File);
    } catch (const std::exception& E) {
        TMediaVerdict Failed{TVerifyResult{VerifyOtherFailure, E.what()}, {}};
        Failed.Strong.Class = TStrongClass::NotChecked;
        return Failed;
    }
    TMediaVerdict Result = Entries.VerifyJpegWithTag(Site, File, Trusted);
    if (Library == LibraryVerified)
        Result.Legacy = TVerifyResult{VerifyOk};
    return Result;
}

TSignResult SignMediaFile(const std::string& SiteCode, const std::string& Src,
                          const std::string& Dst, const TSignOptions& Options,
                          const TMediaEntries& Entries) {
    if (Options.Strong) {
        if (IsAviPath(Src))
            return Entries.SignAviWithTag(SiteCode.c_str(), Src.c_str(), Dst.c_str(),
                                          *Options.Strong);
        return Entries.SignJpegWithTag(SiteCode.c_str(), Src.c_str(), Dst.c_str(),
                                       Options.KeepMetadata, *Options.Strong);
    }
    if (IsAviPath(Src))
        return Entries.SignAVI(SiteCode.c_str(), Src.c_str(), Dst.c_str());
    // The metadata goes in with the signature, in the copy's one write.
    if (Options.KeepMetadata)
        return Entries.SignJpegKeepingMetadata(SiteCode.c_str(), Src.c_str(), Dst.c_str());
    return Entries.SignJpeg(SiteCode.c_str(), Src.c_str(), Dst.c_str());
}

} // namespace quillon
