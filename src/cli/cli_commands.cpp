#include "cli_commands.h"

#include "cli_batch.h"
#include "cli_files.h"
#include "cli_keys.h"
#include "cli_options.h"
#include "cli_output.h"
#include "cli_progress.h"

#include "codec/jpeg/jpeg_memory_limit.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/media_file.h"
#include "platform/byte_meter.h"
#include "platform/console.h"
#include "platform/debug_output.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/system_text.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

namespace quillon::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* ErrorPrefix = "quillon-cli: ";
// A single file this large gets a progress line of its own.
constexpr uint64_t LargeFileBytes = 64ull << 20;

// True when both names lead to one existing file (links and "./" included).
bool SameFile(const std::string& A, const std::string& B) {
    std::error_code Ec;
    return fs::equivalent(PathFromUtf8(A), PathFromUtf8(B), Ec) && !Ec;
}

uint64_t FileSizeOrZero(const std::string& Path) {
    std::error_code Ec;
    const uintmax_t Size = fs::file_size(PathFromUtf8(Path), Ec);
    return Ec ? 0 : static_cast<uint64_t>(Size);
}

// Why Path cannot be used as a source, or "" when it can.
std::string SourceProblem(const std::string& Path) {
    if (FileExists(Path))
        return {};
    std::error_code Ec;
    return fs::exists(PathFromUtf8(Path), Ec) ? "not a regular file" : "not found";
}

int JobsFor(const TOptions& O, const TStreams& S) {
    // Diagnostic lines of files checked side by side would interleave.
    if (O.Trace)
        return 1;
    return O.Jobs > 0 ? O.Jobs : std::max(S.Console.Cores, 1);
}

// Sizes, per-file byte meters and the progress line of one batch.
class TBatchProgress {
  public:
    TBatchProgress(const std::vector<std::string>& Files, bool Wanted, std::ostream& Err)
        : FSizes(Files.size()), FMeters(std::make_unique<TByteMeter[]>(Files.size())),
          FDone(Files.size(), false) {
        uint64_t Largest = 0;
        for (size_t I = 0; I < Files.size(); ++I) {
            FSizes[I] = FileSizeOrZero(Files[I]);
            FTotalBytes += FSizes[I];
            Largest = std::max(Largest, FSizes[I]);
        }
        if (Wanted && (Files.size() > 1 || Largest > LargeFileBytes)) {
            FLine.emplace(Err, Files.size(), FTotalBytes);
            FLine->Update(0, 0); // at once, so a slow first file shows what goes on
        }
    }

    TByteMeter* Meter(size_t I) { return &FMeters[I]; }
    // For good: what follows is the batch's closing words.
    void Close() { FLine.reset(); }
    uint64_t TotalBytes() const { return FTotalBytes; }

    // Before a result line is printed: the progress line makes room.
    void Finished(size_t I) {
        FDone[I] = true;
        ++FFilesDone;
        FBytesDone += FSizes[I];
        if (FLine)
            FLine->Clear();
    }

    void Tick() {
        if (!FLine || FFilesDone == FSizes.size())
            return;
        uint64_t Bytes = FBytesDone;
        for (size_t I = 0; I < FSizes.size(); ++I)
            if (!FDone[I])
                Bytes += std::min(FMeters[I].Bytes(), FSizes[I]);
        FLine->Update(FFilesDone, Bytes);
    }

  private:
    std::vector<uint64_t> FSizes;
    std::unique_ptr<TByteMeter[]> FMeters;
    std::vector<bool> FDone;
    uint64_t FTotalBytes = 0;
    uint64_t FFilesDone = 0;
    uint64_t FBytesDone = 0;
    std::optional<TProgressLine> FLine;
};

bool ProgressWanted(const TOptions& O, const TStreams& S) {
    return S.Console.ErrIsTerminal && !O.NoProgress && !O.Json && !O.StatusOnly && !O.Quiet &&
           !O.Trace;
}

void ReportProblems(const TTargets& Targets, std::ostream& Err) {
    for (const std::string& P : Targets.Problems)
        Err << ErrorPrefix << P << '\n';
}

// "180 original, 15 changed, 2 unknown error", in the order of the codes.
std::string OutcomeCounts(const std::map<int32_t, uint64_t>& Counts) {
    struct TOutcome {
        int32_t Code;
        const char* Label;
    };
    static const TOutcome Outcomes[] = {
        {VerifyOk, "original"},
        {VerifyMismatch, "changed"},
        {VerifyNoSignature, "unsigned"},
        {VerifyNoSiteCode, "invalid group code"},
        {VerifyNoFile, "invalid file"},
        {VerifyNoTemp, "TEMP missing"},
        {VerifyCopyFailed, "TEMP copy failed"},
    };
    std::string Text;
    uint64_t Other = 0;
    for (const auto& [Code, N] : Counts) {
        bool Named = false;
        for (const TOutcome& O : Outcomes)
            Named |= O.Code == Code;
        if (!Named)
            Other += N;
    }
    const auto Add = [&Text](uint64_t N, const char* Label) {
        if (N == 0)
            return;
        Text += Text.empty() ? "" : ", ";
        Text += std::to_string(N) + " " + Label;
    };
    for (const TOutcome& O : Outcomes) {
        const auto It = Counts.find(O.Code);
        Add(It == Counts.end() ? 0 : It->second, O.Label);
    }
    Add(Other, "unknown error");
    return Text;
}

std::string SecondsText(double Seconds) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.1f s", Seconds);
    return Text;
}

} // namespace

int RunVerify(const TOptions& O, const std::string& SiteCode, TStreams& S) {
    const auto Start = std::chrono::steady_clock::now();
    const TTargets Targets = CollectTargets(O.Paths);
    ReportProblems(Targets, S.Err);
    const std::vector<std::string>& Files = Targets.Files;
    std::vector<TVerifyResult> Results(Files.size());
    TBatchProgress Progress(Files, ProgressWanted(O, S), S.Err);
    std::map<int32_t, uint64_t> Counts;
    bool AllOk = Targets.Problems.empty();

    TBatchCallbacks Batch;
    Batch.Work = [&](size_t I) {
        const TScopedByteMeter Meter(Progress.Meter(I));
        Results[I] = VerifyMediaFile(SiteCode, Files[I], {O.InPlace});
        S.FlushTrace();
    };
    Batch.Done = [&](size_t I) {
        const TVerifyResult& R = Results[I];
        Progress.Finished(I);
        ++Counts[R.Code];
        AllOk &= R.Code == VerifyOk;
        if (O.StatusOnly || (O.Quiet && R.Code == VerifyOk))
            return;
        if (O.Json)
            S.Out << FormatVerifyJson(Files[I], R);
        else if (O.Tsv || !S.Console.OutIsTerminal)
            S.Out << FormatVerifyTsv(Files[I], R);
        else
            S.Out << FormatVerifyWords(Files[I], R);
        S.Out << '\n' << std::flush;
    };
    Batch.Tick = [&] { Progress.Tick(); };
    {
        const TMediaBatch OneSearch;
        RunBatch(Files.size(), JobsFor(O, S), Batch);
    }
    Progress.Close();

    if (Files.size() > 1 && !O.StatusOnly && !O.Quiet) {
        const double Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        S.Err << ErrorPrefix << Files.size() << " files, " << FormatBytes(Progress.TotalBytes())
              << ", " << SecondsText(Seconds) << ": " << OutcomeCounts(Counts) << '\n';
    }
    return AllOk ? ExitOk : ExitFailed;
}

int RunSign(const TOptions& O, const std::string& SiteCode, TStreams& S) {
    TTargets Targets;
    if (O.OutPath) {
        if (DirectoryExists(O.Paths[0])) {
            S.Err << ErrorPrefix << "sign --out takes a file, not the folder " << O.Paths[0]
                  << '\n';
            return ExitFailed;
        }
        Targets.Files = O.Paths;
    } else {
        Targets = CollectTargets(O.Paths, TWalkFilter::SkipSignedCopies);
    }
    ReportProblems(Targets, S.Err);
    const std::vector<std::string>& Files = Targets.Files;
    std::vector<std::string> Destinations;
    for (const std::string& Src : Files)
        Destinations.push_back(O.OutPath ? *O.OutPath : SignedCopyPath(Src));
    std::vector<TSignResult> Results(Files.size());
    TBatchProgress Progress(Files, ProgressWanted(O, S), S.Err);
    bool AllOk = Targets.Problems.empty();

    TSignOptions SignOptions;
    SignOptions.KeepMetadata = O.KeepMetadata;
    TBatchCallbacks Batch;
    Batch.Work = [&](size_t I) {
        const std::string& Src = Files[I];
        const std::string& Dst = Destinations[I];
        TSignResult& R = Results[I];
        if (std::string Problem = SourceProblem(Src); !Problem.empty())
            R = {false, Problem};
        else if (SameFile(Src, Dst))
            R = {false, "the destination is the source itself"};
        else if (!O.Force && (FileExists(Dst) || DirectoryExists(Dst)))
            R = {false, Dst + " exists already (-f replaces it)"};
        else {
            const TScopedByteMeter Meter(Progress.Meter(I));
            R = SignMediaFile(SiteCode, Src, Dst, SignOptions);
        }
        S.FlushTrace();
    };
    Batch.Done = [&](size_t I) {
        Progress.Finished(I);
        if (Results[I].Ok) {
            S.Out << Destinations[I] << '\n' << std::flush;
            return;
        }
        AllOk = false;
        S.Err << ErrorPrefix << "signing " << Files[I] << " failed, no signed copy written to "
              << Destinations[I] << ": " << Results[I].Reason << '\n';
    };
    Batch.Tick = [&] { Progress.Tick(); };
    RunBatch(Files.size(), JobsFor(O, S), Batch);
    return AllOk ? ExitOk : ExitFailed;
}

namespace {

bool RequireFile(const std::string& Path, std::ostream& Err) {
    const std::string Problem = SourceProblem(Path);
    if (Problem.empty())
        return true;
    Err << ErrorPrefix << Path << ": " << Problem << '\n';
    return false;
}

} // namespace

int RunRender(const TOptions& O, TStreams& S) {
    const std::string& Path = O.Paths[0];
    if (!RequireFile(Path, S.Err))
        return ExitFailed;
    try {
        const TRenderedImage Image = RenderJpegFile(Path);
        S.Out << "width: " << Image.Width << '\n'
              << "height: " << Image.Height << '\n'
              << "checksum: " << Hex8(RowsChecksum(Image)) << '\n';
        if (O.OutPath) {
            try {
                WriteRenderedImage(Image, *O.OutPath);
            } catch (const std::exception& E) {
                S.Err << ErrorPrefix << "cannot write " << *O.OutPath << ": " << E.what() << '\n';
                return ExitFailed;
            }
        }
    } catch (const std::exception& E) {
        S.Err << ErrorPrefix << "cannot render " << Path << ": " << E.what() << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

int RunComment(const TOptions& O, TStreams& S) {
    const std::string& Path = O.Paths[0];
    if (!RequireFile(Path, S.Err))
        return ExitFailed;
    try {
        const std::string Text = ReadJpegComment(Path);
        S.Out << "length: " << Text.size() << '\n'
              << "text: " << PrintableText(Text) << '\n'
              << "hex: " << HexBytes(Text) << '\n';
    } catch (const std::exception& E) {
        S.Err << ErrorPrefix << "cannot read the comment of " << Path << ": " << E.what() << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

namespace {

int UsageError(std::ostream& Err, const std::string& Problem) {
    Err << ErrorPrefix << Problem << '\n' << UsageText() << "(quillon-cli --help explains all)\n";
    return ExitUsage;
}

// Diagnostic lines gathered into large writes: a walk over a million chunks
// gives a million lines, and a write for each took the most of the run.
class TTraceLog {
  public:
    explicit TTraceLog(std::ostream& Err) : FErr(Err) {}
    ~TTraceLog() { Flush(); }
    TTraceLog(const TTraceLog&) = delete;
    TTraceLog& operator=(const TTraceLog&) = delete;

    void Add(std::string_view Line) {
        const std::lock_guard<std::mutex> Guard(FLock);
        FText.append("quillon-cli trace: ").append(Line).push_back('\n');
        if (FText.size() >= FlushSize)
            WriteOut();
    }
    void Flush() {
        const std::lock_guard<std::mutex> Guard(FLock);
        WriteOut();
    }

  private:
    static constexpr size_t FlushSize = 1 << 16;
    void WriteOut() {
        if (FText.empty())
            return;
        FErr.write(FText.data(), static_cast<std::streamsize>(FText.size()));
        FErr.flush();
        FText.clear();
    }
    std::ostream& FErr;
    std::mutex FLock;
    std::string FText;
};

// The key's own rules, beyond what the command line's shape allows; returns
// the complaint or "".
std::string SiteCodeProblem(const std::string& SiteCode, bool FromInput) {
    if (SiteCode.empty())
        return FromInput ? "the site code is empty (the first line of standard input)"
                         : "the site code is empty";
    // The key travels to the engine as a NUL-terminated string; a NUL
    // inside would silently cut it short.
    if (SiteCode.find('\0') != std::string::npos)
        return "the site code holds a NUL byte";
    if (SiteCode.size() > MaxSiteCodeBytes)
        return "the site code is " + std::to_string(SiteCode.size()) + " bytes long; at most " +
               std::to_string(MaxSiteCodeBytes) + " bytes fit";
    return {};
}

} // namespace

int RunCli(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
           std::ostream& Err, const TConsole& Console) {
    if (Args.empty())
        return UsageError(Err, "no command given");
    const TParseResult Parsed = ParseCommandLine(Args);
    const TOptions& O = Parsed.Options;
    if (O.Help) {
        Out << HelpText();
        return ExitOk;
    }
    if (O.Version) {
        Out << VersionText() << '\n';
        return ExitOk;
    }
    if (!Parsed.Error.empty())
        return UsageError(Err, Parsed.Error);
    SetJpegMemoryLimit(O.MaxMemory); // 0: the default, also for the next in-process run

    std::string SiteCode;
    if (O.SiteCode) {
        const bool FromInput = *O.SiteCode == "-";
        if (FromInput) {
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
        if (std::string Problem = SiteCodeProblem(SiteCode, FromInput); !Problem.empty())
            return UsageError(Err, Problem);
    }

    TTraceLog Trace(Err);
    TStreams S{Out, Err, Console};
    if (O.Trace)
        S.FlushTrace = [&Trace] { Trace.Flush(); };
    const TScopedDebugSink Sink(
        O.Trace ? TDebugSink([&Trace](std::string_view Line) { Trace.Add(Line); })
                : TDebugSink([](std::string_view) {}));
    switch (O.Command) {
    case TCommand::Verify:
        return RunVerify(O, SiteCode, S);
    case TCommand::Sign:
        return RunSign(O, SiteCode, S);
    case TCommand::Render:
        return RunRender(O, S);
    case TCommand::Comment:
        return RunComment(O, S);
    case TCommand::Key:
        return RunKey(O, In, S, Console.AskHidden ? Console.AskHidden : TAskHidden(ReadHiddenLine));
    case TCommand::None:
        break;
    }
    return UsageError(Err, "no command given");
}

} // namespace quillon::cli
