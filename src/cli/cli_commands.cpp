#include "cli_commands.h"

#include "cli_batch.h"
#include "cli_escape.h"
#include "cli_files.h"
#include "cli_keys.h"
#include "cli_options.h"
#include "cli_output.h"
#include "cli_progress.h"

#include "codec/jpeg/jpeg_limits.h"
#include "codec/jpeg/jpeg_render.h"
#include "containers/KvJpegComment.h"
#include "engine/media_file.h"
#include "platform/byte_meter.h"
#include "platform/console.h"
#include "platform/debug_output.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/pending_file.h"
#include "platform/system_text.h"
#include "platform/temporary_files.h"
#include "platform/thread_budget.h"

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

// Why nothing may be written to Dst, or "" when it may: without -f anything
// standing there, a dangling link included, is kept; with it a file or a
// link is replaced (the link itself), never a folder, FIFO, socket or device.
std::string DestinationRefusal(const std::string& Dst, bool Force) {
    const std::string Why = ReplaceRefusal(Dst, Force ? TReplace::FileOrLink : TReplace::Nothing);
    if (Why.empty())
        return {};
    const bool ForceHelps = !Force && ReplaceRefusal(Dst, TReplace::FileOrLink).empty();
    return Dst + " " + Why + (ForceHelps ? " (-f replaces it)" : "");
}

// Files handled at once: never more than there are.
int JobsFor(const TOptions& O, const TStreams& S, size_t Files) {
    // Diagnostic lines of files checked side by side would interleave.
    if (O.Trace)
        return 1;
    const int Jobs = O.Jobs > 0 ? O.Jobs : std::max(S.Console.Cores, 1);
    return static_cast<int>(std::clamp<size_t>(Files, 1, static_cast<size_t>(Jobs)));
}

// The decoding limits of a run of Jobs files at once: the options' or the
// defaults, the default memory limit shared among the files decoded at once
// (no more than the thread budget lets run).
TJpegLimits LimitsFor(const TOptions& O, int Jobs, const TThreadBudget& Threads) {
    TJpegLimits Limits;
    Limits.MaxMemory =
        O.MaxMemory ? O.MaxMemory : DefaultJpegMemoryLimit(std::min(Jobs, Threads.Size()));
    if (O.MaxPixels)
        Limits.MaxPixels = O.MaxPixels;
    if (O.MaxScans)
        Limits.MaxScans = static_cast<uint32_t>(O.MaxScans);
    if (O.MaxWork)
        Limits.MaxWorkPerByte = O.MaxWork;
    return Limits;
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
        Err << ErrorPrefix << EscapeForTerminal(P) << '\n';
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

// "; strong: 3 original, 1 changed, 180 no-tag", in the order of the
// classes; nothing when no file carried a tag.
std::string StrongCountsText(const std::map<TStrongClass, uint64_t>& Counts) {
    if (Counts.empty() || (Counts.size() == 1 && Counts.begin()->first == TStrongClass::NoTag))
        return {};
    std::string Text;
    for (const auto& [Class, N] : Counts)
        Text += (Text.empty() ? "; strong: " : ", ") + std::to_string(N) + " " +
                std::string(StrongClassName(Class));
    return Text;
}

std::string SecondsText(double Seconds) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.1f s", Seconds);
    return Text;
}

} // namespace

int RunVerify(const TOptions& O, const std::string& SiteCode, TStreams& S,
              const TTrustedKeyList& Trusted) {
    const auto Start = std::chrono::steady_clock::now();
    const TTargets Targets = CollectTargets(O.Paths);
    ReportProblems(Targets, S.Err);
    const std::vector<std::string>& Files = Targets.Files;
    std::vector<TMediaVerdict> Results(Files.size());
    TBatchProgress Progress(Files, ProgressWanted(O, S), S.Err);
    std::map<int32_t, uint64_t> Counts;
    std::map<TStrongClass, uint64_t> StrongCounts;
    bool AllOk = Targets.Problems.empty();

    const int Jobs = JobsFor(O, S, Files.size());
    TWMDllAbsenceMemo OneSearch; // a batch looks for the external library once
    TCallContext Context;
    Context.Limits = LimitsFor(O, Jobs, S.Threads);
    Context.Threads = &S.Threads;
    Context.LibraryMemo = &OneSearch;
    TBatchCallbacks Batch;
    Batch.Work = [&](size_t I) {
        TCallContext Call = Context;
        Call.Meter = Progress.Meter(I);
        Results[I] =
            VerifyMediaFileWithTag(SiteCode, Files[I], Trusted, {O.InPlace}, RealMediaEntries(Call));
        S.FlushTrace();
    };
    Batch.Done = [&](size_t I) {
        const TMediaVerdict& R = Results[I];
        Progress.Finished(I);
        ++Counts[R.Legacy.Code];
        ++StrongCounts[R.Strong.Class];
        const bool Ok = R.Legacy.Code == VerifyOk &&
                        (!O.RequireStrong || R.Strong.Class == TStrongClass::Original);
        AllOk &= Ok;
        if (O.StatusOnly || (O.Quiet && Ok))
            return;
        if (O.Json)
            S.Out << FormatMediaVerdictJson(Files[I], R);
        else if (O.Tsv || !S.Console.OutIsTerminal)
            S.Out << FormatMediaVerdictTsv(Files[I], R);
        else
            S.Out << FormatMediaVerdictWords(Files[I], R);
        S.Out << '\n' << std::flush;
    };
    Batch.Tick = [&] { Progress.Tick(); };
    RunBatch(Files.size(), Jobs, S.Threads, Batch);
    Progress.Close();

    if (Files.size() > 1 && !O.StatusOnly && !O.Quiet) {
        const double Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        S.Err << ErrorPrefix << Files.size() << " files, " << FormatBytes(Progress.TotalBytes())
              << ", " << SecondsText(Seconds) << ": " << OutcomeCounts(Counts)
              << StrongCountsText(StrongCounts) << '\n';
    }
    return AllOk ? ExitOk : ExitFailed;
}

int RunSign(const TOptions& O, const std::string& SiteCode, TStreams& S, const TSecretKey* Key) {
    TTargets Targets;
    if (O.OutPath) {
        if (DirectoryExists(O.Paths[0])) {
            S.Err << ErrorPrefix << "sign --out takes a file, not the folder "
                  << EscapeForTerminal(O.Paths[0]) << '\n';
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
    if (Key != nullptr)
        SignOptions.Strong = TStrongSigner{Key, CurrentUnixTime()};
    const int Jobs = JobsFor(O, S, Files.size());
    TCallContext Context;
    Context.Limits = LimitsFor(O, Jobs, S.Threads);
    Context.Threads = &S.Threads;
    TBatchCallbacks Batch;
    Batch.Work = [&](size_t I) {
        const std::string& Src = Files[I];
        const std::string& Dst = Destinations[I];
        TSignResult& R = Results[I];
        if (std::string Problem = SourceProblem(Src); !Problem.empty())
            R = {false, Problem};
        else if (SameFile(Src, Dst))
            R = {false, "the destination is the source itself"};
        else if (std::string Refusal = DestinationRefusal(Dst, O.Force); !Refusal.empty())
            R = {false, Refusal};
        else {
            TCallContext Call = Context;
            Call.Meter = Progress.Meter(I);
            R = SignMediaFile(SiteCode, Src, Dst, SignOptions, RealMediaEntries(Call));
        }
        S.FlushTrace();
    };
    Batch.Done = [&](size_t I) {
        Progress.Finished(I);
        if (Results[I].Ok) {
            // One path a line: a name must not forge another line.
            S.Out << (S.Console.OutIsTerminal ? EscapeForTerminal(Destinations[I])
                                              : EscapeField(Destinations[I]))
                  << '\n'
                  << std::flush;
            return;
        }
        AllOk = false;
        S.Err << ErrorPrefix << "signing " << EscapeForTerminal(Files[I])
              << " failed, no signed copy written to " << EscapeForTerminal(Destinations[I]) << ": "
              << EscapeForTerminal(Results[I].Reason) << '\n';
    };
    Batch.Tick = [&] { Progress.Tick(); };
    RunBatch(Files.size(), Jobs, S.Threads, Batch);
    return AllOk ? ExitOk : ExitFailed;
}

namespace {

bool RequireFile(const std::string& Path, std::ostream& Err) {
    const std::string Problem = SourceProblem(Path);
    if (Problem.empty())
        return true;
    Err << ErrorPrefix << EscapeForTerminal(Path) << ": " << Problem << '\n';
    return false;
}

} // namespace

int RunRender(const TOptions& O, TStreams& S) {
    const std::string& Path = O.Paths[0];
    if (!RequireFile(Path, S.Err))
        return ExitFailed;
    try {
        TJpegDecodeContext Context;
        Context.Limits = LimitsFor(O, 1, S.Threads);
        Context.Threads = &S.Threads;
        const TRenderedImage Image = RenderJpeg(TJpegInput::File(Path), Context);
        S.Out << "width: " << Image.Width << '\n'
              << "height: " << Image.Height << '\n'
              << "checksum: " << Hex8(RowsChecksum(Image)) << '\n';
        if (O.OutPath) {
            try {
                WriteRenderedImage(Image, *O.OutPath,
                                   O.Force ? TReplace::FileOrLink : TReplace::RegularFile);
            } catch (const std::exception& E) {
                S.Err << ErrorPrefix << "cannot write " << EscapeForTerminal(*O.OutPath) << ": "
                      << EscapeForTerminal(E.what()) << '\n';
                return ExitFailed;
            }
        }
    } catch (const std::exception& E) {
        S.Err << ErrorPrefix << "cannot render " << EscapeForTerminal(Path) << ": "
              << EscapeForTerminal(E.what()) << '\n';
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
        S.Err << ErrorPrefix << "cannot read the comment of " << EscapeForTerminal(Path) << ": "
              << EscapeForTerminal(E.what()) << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

namespace {

int UsageError(std::ostream& Err, const std::string& Problem) {
    Err << ErrorPrefix << EscapeForTerminal(Problem) << '\n'
        << UsageText() << "(quillon-cli --help explains all)\n";
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

    std::string SiteCode;
    if (O.SiteCode) {
        const bool FromInput = *O.SiteCode == "-";
        if (FromInput) {
            const std::optional<std::string> Line = ReadSiteCodeLine(In);
            if (!Line)
                return UsageError(Err, "the first line of standard input holds a site code "
                                       "longer than " +
                                           std::to_string(MaxSiteCodeBytes) + " bytes");
            SiteCode = *Line;
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
    // Every thread of the run draws from this budget; late deletions of
    // large check copies too, so they are done before it goes.
    TThreadBudget Threads(Console.Cores);
    struct TDeletionsDone {
        ~TDeletionsDone() { FinishLateDeletions(); }
    } const DeletionsDone;
    TStreams S{Out, Err, Console, Threads};
    if (O.Trace)
        S.FlushTrace = [&Trace] { Trace.Flush(); };
    const TScopedDebugSink Sink(
        O.Trace ? TDebugSink([&Trace](std::string_view Line) { Trace.Add(Line); })
                : DiscardingDebugSink());
    switch (O.Command) {
    case TCommand::Verify: {
        const std::optional<TTrustedKeyList> Trusted = LoadVerifyTrust(O, S);
        if (!Trusted)
            return ExitFailed;
        return RunVerify(O, SiteCode, S, *Trusted);
    }
    case TCommand::Sign: {
        if (!O.SigningKey)
            return RunSign(O, SiteCode, S);
        const std::optional<TSecretKey> Key = LoadSigningKey(
            O, In, S, Console.AskHidden ? Console.AskHidden : TAskHidden(ReadHiddenLine));
        if (!Key)
            return ExitFailed;
        return RunSign(O, SiteCode, S, &*Key);
    }
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
