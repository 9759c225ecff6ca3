// AVI signing and verification. The kernel copies the file (without the
// bytes passing through this process where the system can) while the
// checksum of the contents reads the source from the page cache on another
// core, in large blocks fed in the same byte order as a pass of small
// blocks, so the register is the same.
#include "avi_signature.h"
#include "call_context.h"
#include "containers/byte_order.h"
#include "containers/uAVIFormat.h"
#include "crc32_extend.h"
#include "failure_text.h"
#include "mediasign.h"
#include "platform/byte_meter.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/pending_file.h"
#include "platform/temporary_files.h"
#include "platform/thread_budget.h"
#include "read_ahead.h"

#include <functional>
#include <memory>
#include <optional>

namespace quillon {

namespace {

constexpr size_t BlockSize = 1 << 20;
constexpr int64_t RiffHeaderSize = 12;
constexpr int64_t LargeFile = 64 << 20;
// From this size on the checksum reads through a thread of its own, where
// the thread budget has one free.
constexpr int64_t ReadAheadFrom = 8 << 20;

std::unique_ptr<uint8_t[]> NewBlock() {
    return std::make_unique_for_overwrite<uint8_t[]>(BlockSize);
}

// Deletes the named file when the scope ends, whatever the path out.
class TRemoveOnExit {
  public:
    TRemoveOnExit(std::string Name, TThreadBudget& Threads)
        : FName(std::move(Name)), FThreads(Threads) {}
    ~TRemoveOnExit() { RemoveNow(); }
    TRemoveOnExit(const TRemoveOnExit&) = delete;
    TRemoveOnExit& operator=(const TRemoveOnExit&) = delete;
    void RemoveNow() {
        if (FName.empty())
            return;
        // Freeing a large copy takes a while; it need not hold up the
        // verdict. A copy that cannot be deleted does not change the verdict.
        if (FileSizeOf(FName) >= LargeFile) {
            DeleteTemporaryFileLater(FName, FThreads);
        } else {
            DeleteFile(FName);
            ForgetTemporaryFile(FName);
        }
        FName.clear();
    }

  private:
    std::string FName;
    TThreadBudget& FThreads;
};

// The longest name of one folder entry that the usual file systems take.
constexpr size_t MaxEntryNameBytes = 255;

// Text of at most Bytes bytes, cut where no UTF-8 character is split.
std::string CutToBytes(const std::string& Text, size_t Bytes) {
    if (Text.size() <= Bytes)
        return Text;
    while (Bytes > 0 && (static_cast<uint8_t>(Text[Bytes]) & 0xC0) == 0x80)
        --Bytes;
    return Text.substr(0, Bytes);
}

// Creates the verification copy under the first free "<name>_CHECK.$..."
// name in Dir. Exclusive creation: a name that appears meanwhile, or a link
// left in a shared folder (dangling or not), is passed by and never written
// through. Once one more "$" would make the name too long, the names go on
// as "<name>_CHECK.<N>$", the file name cut to fit, without end.
// The copy is listed for removal on an interrupt from its creation on.
// Raises the creation's error when it fails for another reason.
TFileStream CreateCheckCopy(const std::string& Dir, const std::string& FileName,
                            std::string& Name) {
    size_t Dollars = 1;
    uint64_t Numbered = 0;
    for (;;) {
        std::string Entry = FileName + "_CHECK." + std::string(Dollars, '$');
        if (Numbered > 0 || Entry.size() > MaxEntryNameBytes) {
            const std::string Tail = "_CHECK." + std::to_string(++Numbered) + "$";
            Entry = CutToBytes(FileName, MaxEntryNameBytes - Tail.size()) + Tail;
        }
        Name = Dir + Entry;
        std::optional<TFileStream> Copy;
        try {
            CreateTemporaryFile(Name, [&] { Copy.emplace(Name, TFileMode::CreateNew); });
            return std::move(*Copy);
        } catch (const EFileError& E) {
            if (E.Kind() != TFileErrorKind::Exists)
                throw;
        }
        ++Dollars;
    }
}

// What stands in the way of the check copy in the TEMP folder Dir.
std::string TempReason(std::string Dir, const EFileError& E) {
    if (Dir.size() > 1 && IsPathDelimiter(Dir.back()))
        Dir.pop_back();
    switch (E.Kind()) {
    case TFileErrorKind::NotFound:
        return "TEMP folder " + Dir + " is missing";
    case TFileErrorKind::AccessDenied:
        return "TEMP folder " + Dir + " is not writable";
    case TFileErrorKind::NoSpace:
        return "TEMP folder " + Dir + " is full";
    default:
        return "TEMP folder " + Dir + ": " + E.what();
    }
}

void CountBytes(const TCallContext& Context, uint64_t Bytes) {
    if (Context.Meter)
        Context.Meter->Add(Bytes);
}

// Feeds bytes From..To-1 of Source (from its position From) into a register
// started at 0. Raises EFileError (EndOfFile) when the file ends before To.
uint32_t ContentChecksum(TFileStream& Source, int64_t From, int64_t To,
                         const TCallContext& Context) {
    uint32_t CRC = 0;
    if (To - From >= ReadAheadFrom) {
        TReadAhead Blocks(Source, From, To, BlockSize, ThreadsOf(Context));
        size_t Size = 0;
        while (const uint8_t* Block = Blocks.Next(Size)) {
            FeedCRC32(Block, Size, CRC);
            CountBytes(Context, Size);
        }
        return CRC;
    }
    const auto Block = NewBlock();
    Source.Seek(From);
    for (int64_t Offset = From; Offset < To;) {
        const size_t Want = static_cast<size_t>(std::min<int64_t>(To - Offset, BlockSize));
        if (Source.Read(Block.get(), Want) != Want)
            throw EFileError("Stream read error on file \"" + Source.FileName() + "\"",
                             TFileErrorKind::EndOfFile);
        FeedCRC32(Block.get(), Want, CRC);
        CountBytes(Context, Want);
        Offset += static_cast<int64_t>(Want);
    }
    return CRC;
}

// Copies Count bytes of SourcePath from offset From into Dest at the same
// offset, on a helper thread where the budget has one free, else in Wait();
// Wait() raises what the copy raised.
class TBackgroundCopy {
  public:
    TBackgroundCopy(const std::string& SourcePath, TFileStream& Dest, int64_t From, int64_t Count,
                    TThreadBudget& Threads)
        : FSource(SourcePath, TFileMode::OpenRead), FCopy(Threads, [this, &Dest, From, Count] {
              Dest.CopyRange(FSource, From, From, Count);
          }) {}
    void Wait() { FCopy.Finish(); }

  private:
    TFileStream FSource;
    TWorkBeside FCopy;
};

// The keyed register over the chunk headers of Path (seen as ending at
// VisibleSize), on a helper thread where the budget has one free, else
// when asked for.
class THeaderPass {
  public:
    THeaderPass(const char* SiteCode, std::string Path, int64_t VisibleSize, bool Trace,
                TThreadBudget& Threads)
        : FWalk(Threads, [this, SiteCode, Path = std::move(Path), VisibleSize, Trace] {
              uint32_t CRC = KeyedCRCStart(SiteCode);
              TAVIStream Walk(Path, VisibleSize);
              FeedChunkHeaders(Walk, CRC, Trace);
              FCRC = CRC;
          }) {}
    uint32_t Get() {
        FWalk.Finish();
        return FCRC;
    }

  private:
    uint32_t FCRC = 0;
    TWorkBeside FWalk;
};

// The trailer that follows the first End bytes of File.
TSignTrailer ReadTrailerAt(TFileStream& File, int64_t End) {
    std::array<uint8_t, SignTrailerSize> Bytes;
    File.Seek(End);
    File.ReadBuffer(Bytes.data(), Bytes.size());
    return TSignTrailer::FromBytes(Bytes);
}

// The verdict on a file whose first End bytes gave HeaderCRC (the keyed
// register over the chunk headers) and ContentCRC (bytes 12 on, from 0).
TVerifyResult Verdict(const TSignTrailer& Trailer, uint32_t HeaderCRC, uint32_t ContentCRC,
                      int64_t End) {
    if (!Trailer.HasSignature())
        return {VerifyNoSignature, "no signature trailer"};
    if (Trailer.HeaderCRC != HeaderCRC)
        return VerifyMismatch;
    const uint64_t Covered = End > RiffHeaderSize ? End - RiffHeaderSize : 0;
    const uint32_t FileCRC = AdvanceCRC32OverZeros(HeaderCRC, Covered) ^ ContentCRC;
    return Trailer.FileCRC == FileCRC ? VerifyOk : VerifyMismatch;
}

// What both movie checks refuse before anything else: no site code, no file.
std::optional<TVerifyResult> RequestProblem(const char* SiteCode, const char* Path) {
    if (!SiteCode || !*SiteCode)
        return TVerifyResult{VerifyNoSiteCode, "the site code is empty"};
    if (!Path || !*Path)
        return TVerifyResult{VerifyNoFile, "no file given"};
    if (!FileExists(Path))
        return TVerifyResult{VerifyNoFile, MissingFileReason(Path)};
    return std::nullopt;
}

// Opens the movie into File and sets End where its trailer would start; the
// result instead when it cannot be opened or has no room for a trailer.
std::optional<TVerifyResult> OpenMovieToCheck(const char* Path, std::optional<TFileStream>& File,
                                              int64_t& End) {
    try {
        File.emplace(Path, TFileMode::OpenRead);
    } catch (...) {
        return TVerifyResult{VerifyOtherFailure, CurrentFailureReason()};
    }
    const int64_t Size = File->Size();
    if (Size < static_cast<int64_t>(SignTrailerSize))
        return TVerifyResult{VerifyNoSignature, "shorter than a signature trailer"};
    End = Size - static_cast<int64_t>(SignTrailerSize);
    return std::nullopt;
}

} // namespace

TSignResult SignAviFile(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignAviFile(SiteCode, SrcPath, DstPath, TCallContext{});
}

TSignResult SignAviFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                        const TCallContext& Context) {
    if (!SiteCode || !SrcPath || !DstPath)
        return {false, "missing argument"};
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        // The header pass reads only headers and seeks; it runs beside the
        // copy, whose contents' checksum starts at 0 and is joined to the
        // header register afterwards.
        THeaderPass HeaderPass(SiteCode, SrcPath, -1, false, ThreadsOf(Context));

        TFileStream Source(SrcPath, TFileMode::OpenRead);
        const int64_t Size = Source.Size();
        // The RIFF header's size grows by the trailer (modulo 2^32); the
        // checksum starts behind it.
        uint8_t Header[RiffHeaderSize];
        if (Source.Read(Header, sizeof Header) < sizeof Header)
            return {false, "the source is shorter than its 12-byte RIFF header"};
        StoreLE32(&Header[4], LoadLE32(&Header[4]) + SignTrailerSize);
        TPendingFile Dest(DstPath);
        Dest.Stream().Write(Header, sizeof Header);
        uint32_t ContentCRC;
        {
            TBackgroundCopy Copy(SrcPath, Dest.Stream(), RiffHeaderSize, Size - RiffHeaderSize,
                                 ThreadsOf(Context));
            ContentCRC = ContentChecksum(Source, RiffHeaderSize, Size, Context);
            Copy.Wait();
        }
        Source.Close();
        const uint64_t Covered = static_cast<uint64_t>(Size - RiffHeaderSize);
        Dest.Stream().Seek(Size);
        const uint32_t HeaderCRC = HeaderPass.Get();
        const uint32_t FileCRC = AdvanceCRC32OverZeros(HeaderCRC, Covered) ^ ContentCRC;
        const auto Trailer = TSignTrailer::Make(HeaderCRC, FileCRC).Bytes();
        Dest.Stream().Write(Trailer.data(), Trailer.size());
        Dest.Commit();
        return {true};
    } catch (...) {
        return {false, CurrentFailureText()};
    }
}

TVerifyResult VerifyAviFile(const char* SiteCode, const char* Path) {
    return VerifyAviFile(SiteCode, Path, TCallContext{});
}

TVerifyResult VerifyAviFile(const char* SiteCode, const char* Path, const TCallContext& Context) {
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        if (std::optional<TVerifyResult> Refused = RequestProblem(SiteCode, Path))
            return *Refused;
        const std::optional<std::string> TempDir = TempDirectory();
        if (!TempDir)
            return {VerifyNoTemp, "TEMP is not set"};

        std::string CopyName;
        std::optional<TFileStream> Copy;
        try {
            Copy.emplace(CreateCheckCopy(*TempDir, ExtractFileName(Path), CopyName));
        } catch (const EFileError& E) {
            return {VerifyNoTemp, TempReason(*TempDir, E)};
        }
        TRemoveOnExit RemoveCopy(CopyName, ThreadsOf(Context));

        std::optional<TFileStream> File;
        int64_t End = 0;
        if (std::optional<TVerifyResult> Refused = OpenMovieToCheck(Path, File, End))
            return *Refused;

        // The contents' checksum is taken while copying, from a register at 0,
        // and joined to the keyed register once the header pass has set it.
        uint32_t ContentCRC;
        try {
            TBackgroundCopy Copying(Path, *Copy, 0, End, ThreadsOf(Context));
            ContentCRC = ContentChecksum(*File, RiffHeaderSize, End, Context);
            Copying.Wait();
            Copy->Close();
        } catch (const EFileError& E) {
            return {VerifyCopyFailed, TempReason(*TempDir, E)};
        } catch (...) {
            return {VerifyCopyFailed, "copying into TEMP failed: " + CurrentFailureText()};
        }
        const TSignTrailer Trailer = ReadTrailerAt(*File, End);
        File.reset();
        Copy.reset();

        uint32_t HeaderCRC = KeyedCRCStart(SiteCode);
        {
            TAVIStream Walk(CopyName);
            FeedChunkHeaders(Walk, HeaderCRC, true);
        }
        RemoveCopy.RemoveNow();
        return Verdict(Trailer, HeaderCRC, ContentCRC, End);
    } catch (...) {
        return {VerifyOtherFailure, CurrentFailureReason()};
    }
}

TVerifyResult VerifyAviFileInPlace(const char* SiteCode, const char* Path) {
    return VerifyAviFileInPlace(SiteCode, Path, TCallContext{});
}

TVerifyResult VerifyAviFileInPlace(const char* SiteCode, const char* Path,
                                   const TCallContext& Context) {
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        if (std::optional<TVerifyResult> Refused = RequestProblem(SiteCode, Path))
            return *Refused;
        std::optional<TFileStream> File;
        int64_t End = 0;
        if (std::optional<TVerifyResult> Refused = OpenMovieToCheck(Path, File, End))
            return *Refused;

        // The walk sees the file without its trailer, as the copying check's
        // walk sees its copy; it runs beside the contents' pass.
        THeaderPass HeaderPass(SiteCode, Path, End, true, ThreadsOf(Context));
        const uint32_t ContentCRC = ContentChecksum(*File, RiffHeaderSize, End, Context);
        const TSignTrailer Trailer = ReadTrailerAt(*File, End);
        File.reset();
        return Verdict(Trailer, HeaderPass.Get(), ContentCRC, End);
    } catch (...) {
        return {VerifyOtherFailure, CurrentFailureReason()};
    }
}

bool SignAVI(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignAviFile(SiteCode, SrcPath, DstPath).Ok;
}

int32_t VerifyAVI(const char* SiteCode, const char* Path) {
    return VerifyAviFile(SiteCode, Path).Code;
}

} // namespace quillon
