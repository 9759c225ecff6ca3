#include "cli_commands.h"

#include "cli_files.h"
#include "cli_render.h"
#include "cli_site_code.h"
#include "cli_text.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/mediasign.h"
#include "platform/file_stream.h"
#include "platform/files.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace quillon::cli {

namespace {

constexpr const char* kPrefix = "quillon-cli: ";

// True when both names lead to one existing file (links and "./" included).
bool SameFile(const std::string& A, const std::string& B) {
    std::error_code Ec;
    return std::filesystem::equivalent(A, B, Ec) && !Ec;
}

// The signing entries answer only with a flag; find the likeliest cause so
// the user learns more than "failed".
std::string SignFailureReason(const std::string& Src, const std::string& Dst, bool Avi) {
    const std::string DstDir = ExtractFilePath(Dst);
    if (!DstDir.empty() && !DirectoryExists(DstDir))
        return "folder " + DstDir + " does not exist";
    if (DirectoryExists(Dst))
        return "a folder stands at the destination";
    try {
        if (Avi) {
            TFileStream S(Src, FileMode::OpenRead);
            if (S.Size() < 12)
                return "the source is shorter than 12 bytes";
        } else {
            (void)RenderJpegFile(Src);
        }
    } catch (const std::exception& E) {
        return std::string("cannot decode the source: ") + E.what();
    }
    return "the signed copy could not be written";
}

bool RequireFile(const std::string& Path, std::ostream& Err) {
    if (FileExists(Path))
        return true;
    Err << kPrefix << Path << ": no such file\n";
    return false;
}

} // namespace

int32_t VerifyFile(const std::string& SiteCode, const std::string& Path) {
    if (SiteCode.size() > kMaxSiteCodeLength)
        return kVerifyNoSiteCode;
    return IsAviPath(Path) ? VerifyAVI(SiteCode.c_str(), Path.c_str())
                           : VerifyJpeg(SiteCode.c_str(), Path.c_str());
}

int RunVerify(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
              std::ostream& Err) {
    const TVerifyTargets Targets = CollectVerifyTargets(Options.Paths);
    bool AllOk = Targets.Problems.empty();
    for (const std::string& P : Targets.Problems)
        Err << kPrefix << P << '\n';
    for (const std::string& Path : Targets.Files) {
        const int32_t Code = VerifyFile(SiteCode, Path);
        Out << (Options.Json ? FormatVerifyJson(Path, Code) : FormatVerifyText(Path, Code)) << '\n'
            << std::flush;
        if (Code != kVerifyOk)
            AllOk = false;
    }
    return AllOk ? kExitOk : kExitFailed;
}

int RunSign(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
            std::ostream& Err) {
    const std::string& Src = Options.Paths[0];
    const std::string Dst = Options.Paths.size() > 1 ? Options.Paths[1] : DefaultSignedPath(Src);
    const bool Avi = IsAviPath(Src);
    const auto Fail = [&](const std::string& Reason) {
        Err << kPrefix << "signing " << Src << " failed, no signed copy written to " << Dst << ": "
            << Reason << '\n';
        return kExitFailed;
    };
    // Verification refuses these site codes, so a copy signed with one could never check out.
    if (SiteCode.empty())
        return Fail("the site code is empty");
    if (SiteCode.size() > kMaxSiteCodeLength)
        return Fail("the site code is longer than 255 characters");
    if (!FileExists(Src))
        return Fail("no such file");
    if (SameFile(Src, Dst))
        return Fail("the destination is the source itself");
    const bool Ok = Avi ? SignAVI(SiteCode.c_str(), Src.c_str(), Dst.c_str())
                        : SignJpeg(SiteCode.c_str(), Src.c_str(), Dst.c_str());
    if (!Ok)
        return Fail(SignFailureReason(Src, Dst, Avi));
    Out << Dst << '\n';
    return kExitOk;
}

int RunRender(const TOptions& Options, std::ostream& Out, std::ostream& Err) {
    const std::string& Path = Options.Paths[0];
    if (!RequireFile(Path, Err))
        return kExitFailed;
    try {
        const TRenderedImage Image = RenderJpegFile(Path);
        Out << "width: " << Image.Width << '\n'
            << "height: " << Image.Height << '\n'
            << "checksum: " << Hex8(RowsChecksum(Image)) << '\n';
        if (Options.OutPath) {
            try {
                WriteRenderedImage(Image, *Options.OutPath);
            } catch (const std::exception& E) {
                Err << kPrefix << "cannot write " << *Options.OutPath << ": " << E.what() << '\n';
                return kExitFailed;
            }
        }
    } catch (const std::exception& E) {
        Err << kPrefix << "cannot render " << Path << ": " << E.what() << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int RunComment(const TOptions& Options, std::ostream& Out, std::ostream& Err) {
    const std::string& Path = Options.Paths[0];
    if (!RequireFile(Path, Err))
        return kExitFailed;
    try {
        const std::string Text = ReadJpegComment(Path);
        Out << "length: " << Text.size() << '\n'
            << "text: " << PrintableText(Text) << '\n'
            << "hex: " << HexBytes(Text) << '\n';
    } catch (const std::exception& E) {
        Err << kPrefix << "cannot read the comment of " << Path << ": " << E.what() << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace quillon::cli
