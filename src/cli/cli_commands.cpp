#include "cli_commands.h"

#include "cli_files.h"
#include "cli_options.h"
#include "cli_output.h"

#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/media_file.h"
#include "platform/debug_output.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/system_text.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace quillon::cli {

namespace {

constexpr const char* ErrorPrefix = "quillon-cli: ";

// True when both names lead to one existing file (links and "./" included).
bool SameFile(const std::string& A, const std::string& B) {
    std::error_code Ec;
    return std::filesystem::equivalent(PathFromUtf8(A), PathFromUtf8(B), Ec) && !Ec;
}

bool RequireFile(const std::string& Path, std::ostream& Err) {
    if (FileExists(Path))
        return true;
    Err << ErrorPrefix << Path << ": no such file\n";
    return false;
}

} // namespace

int RunVerify(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
              std::ostream& Err) {
    const TVerifyTargets Targets = CollectVerifyTargets(Options.Paths);
    bool AllOk = Targets.Problems.empty();
    for (const std::string& P : Targets.Problems)
        Err << ErrorPrefix << P << '\n';
    for (const std::string& Path : Targets.Files) {
        const int32_t Code = VerifyMediaFile(SiteCode, Path).Code;
        Out << (Options.Json ? FormatVerifyJson(Path, Code) : FormatVerifyText(Path, Code)) << '\n'
            << std::flush;
        if (Code != VerifyOk)
            AllOk = false;
    }
    return AllOk ? ExitOk : ExitFailed;
}

int RunSign(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
            std::ostream& Err) {
    const std::string& Src = Options.Paths[0];
    const std::string Dst = Options.Paths.size() > 1 ? Options.Paths[1] : SignedCopyPath(Src);
    const auto Fail = [&](const std::string& Reason) {
        Err << ErrorPrefix << "signing " << Src << " failed, no signed copy written to " << Dst
            << ": " << Reason << '\n';
        return ExitFailed;
    };
    // Verification refuses these site codes, so a copy signed with one could never check out.
    if (SiteCode.empty())
        return Fail("the site code is empty");
    if (SiteCode.size() > MaxSiteCodeBytes)
        return Fail("the site code is longer than " + std::to_string(MaxSiteCodeBytes) + " bytes");
    if (!FileExists(Src))
        return Fail("no such file");
    if (SameFile(Src, Dst))
        return Fail("the destination is the source itself");
    const TSignResult Signed = SignMediaFile(SiteCode, Src, Dst);
    if (!Signed.Ok)
        return Fail(Signed.Reason);
    Out << Dst << '\n';
    return ExitOk;
}

int RunRender(const TOptions& Options, std::ostream& Out, std::ostream& Err) {
    const std::string& Path = Options.Paths[0];
    if (!RequireFile(Path, Err))
        return ExitFailed;
    try {
        const TRenderedImage Image = RenderJpegFile(Path);
        Out << "width: " << Image.Width << '\n'
            << "height: " << Image.Height << '\n'
            << "checksum: " << Hex8(RowsChecksum(Image)) << '\n';
        if (Options.OutPath) {
            try {
                WriteRenderedImage(Image, *Options.OutPath);
            } catch (const std::exception& E) {
                Err << ErrorPrefix << "cannot write " << *Options.OutPath << ": " << E.what()
                    << '\n';
                return ExitFailed;
            }
        }
    } catch (const std::exception& E) {
        Err << ErrorPrefix << "cannot render " << Path << ": " << E.what() << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

int RunComment(const TOptions& Options, std::ostream& Out, std::ostream& Err) {
    const std::string& Path = Options.Paths[0];
    if (!RequireFile(Path, Err))
        return ExitFailed;
    try {
        const std::string Text = ReadJpegComment(Path);
        Out << "length: " << Text.size() << '\n'
            << "text: " << PrintableText(Text) << '\n'
            << "hex: " << HexBytes(Text) << '\n';
    } catch (const std::exception& E) {
        Err << ErrorPrefix << "cannot read the comment of " << Path << ": " << E.what() << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

namespace {

int UsageError(std::ostream& Err, const std::string& Problem) {
    Err << "quillon-cli: " << Problem << '\n'
        << UsageText() << "(quillon-cli --help explains all)\n";
    return ExitUsage;
}

TDebugSink MakeSink(bool Trace, std::ostream& Err) {
    if (!Trace)
        return [](std::string_view) {};
    return [&Err](std::string_view Line) { Err << "quillon-cli trace: " << Line << '\n'; };
}

} // namespace

int RunCli(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
           std::ostream& Err) {
    if (Args.empty())
        return UsageError(Err, "no command given");
    const TParseResult Parsed = ParseCommandLine(Args);
    const TOptions& O = Parsed.Options;
    if (O.Help) {
        Out << HelpText();
        return ExitOk;
    }
    if (!Parsed.Error.empty())
        return UsageError(Err, Parsed.Error);

    std::string SiteCode;
    if (O.SiteCode) {
        if (*O.SiteCode == "-") {
            SiteCode = ReadSiteCodeLine(In);
        } else {
            // Keyed with the bytes the system's 8-bit programs would have
            // used, so files signed by them verify here.
            const std::optional<std::string> Bytes = SystemCodePageText(*O.SiteCode);
            if (!Bytes)
                return UsageError(Err, "the site code holds a character that the system's code "
                                       "page cannot hold");
            SiteCode = *Bytes;
        }
        // The key travels to the engine as a NUL-terminated string; a NUL
        // inside would silently cut it short.
        if (SiteCode.find('\0') != std::string::npos)
            return UsageError(Err, "the site code holds a NUL byte");
    }

    const TScopedDebugSink Sink(MakeSink(O.Trace, Err));
    switch (O.Command) {
    case TCommand::Verify:
        return RunVerify(O, SiteCode, Out, Err);
    case TCommand::Sign:
        return RunSign(O, SiteCode, Out, Err);
    case TCommand::Render:
        return RunRender(O, Out, Err);
    case TCommand::Comment:
        return RunComment(O, Out, Err);
    case TCommand::None:
        break;
    }
    return UsageError(Err, "no command given");
}

} // namespace quillon::cli
