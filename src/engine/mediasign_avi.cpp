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
#include "strong_movie.h"

#include "containers/strong_tag_place.h"

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

// Receives the blocks of the byte pass with their offsets in the file.
using TBlockSink = std::function<void(uint64_t At, std::span<const uint8_t> Bytes)>;

// Feeds bytes From..To-1 of Source (from its position From) into a register
// started at 0, and hands the same blocks to Also when given. Raises
// EFileError (EndOfFile) when the file ends before To.
uint32_t ContentChecksum(TFileStream& Source, int64_t From, int64_t To,
                         const TCallContext& Context, const TBlockSink& Also = {}) {
    uint32_t CRC = 0;
    uint64_t At = static_cast<uint64_t>(From);
    if (To - From >= ReadAheadFrom) {
        TReadAhead Blocks(Source, From, To, BlockSize, ThreadsOf(Context));
        size_t Size = 0;
        while (const uint8_t* Block = Blocks.Next(Size)) {
            FeedCRC32(Block, Size, CRC);
            if (Also)
                Also(At, {Block, Size});
            At += Size;
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
        if (Also)
            Also(At, {Block.get(), Want});
        At += Want;
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

// The strong side of a movie's check: the tag is read from the end of the
// file before the byte pass, whose blocks then feed the movie digest; the
// verdict is told once the pass is done. Without a list of trusted keys it
// does nothing.
class TMovieTagCheck {
  public:
    TMovieTagCheck(const TTrustedKeyList* Trusted, TFileStream& File) {
        if (Trusted == nullptr)
            return;
        try {
            const TTagSpot Spot = FindAviTag(File);
            FChecked = CheckStrongTag(Spot, TMediaKind::Avi, *Trusted);
            FFound = Spot.Offset;
            if (!FChecked.Tag || FFound != FChecked.Tag->MovieBytes->SignedLength)
                return;
            const TMovieBytesSection& Signed = *FChecked.Tag->MovieBytes;
            FDigest.emplace(Signed.SignedLength, Signed.BlockSize);
            FSink.emplace(*FDigest, Signed.SignedLength);
            // The byte pass starts behind the RIFF header; the digest starts at 0.
            uint8_t Header[RiffHeaderSize];
            const size_t Want =
                static_cast<size_t>(std::min<uint64_t>(RiffHeaderSize, Signed.SignedLength));
            File.Seek(0);
            File.ReadBuffer(Header, Want);
            FSink->Add(0, {Header, Want});
            FAlso = [this](uint64_t At, std::span<const uint8_t> Bytes) { FSink->Add(At, Bytes); };
        } catch (...) {
            FChecked = {};
            FChecked.Verdict.Class = TStrongClass::NotChecked;
            FChecked.Verdict.Detail = CurrentFailureText();
        }
    }
    TMovieTagCheck(const TMovieTagCheck&) = delete;
    TMovieTagCheck& operator=(const TMovieTagCheck&) = delete;

    const TBlockSink& Sink() const { return FAlso; }

    // The verdict; "not checked" when the byte pass did not get through.
    TStrongVerdict Finish() {
        if (!FChecked.Tag)
            return FChecked.Verdict;
        if (FDigest && !FDigest->Complete()) {
            FChecked.Verdict.Class = TStrongClass::NotChecked;
            FChecked.Verdict.Detail = "the movie could not be read through";
            return FChecked.Verdict;
        }
        JudgeMovie(FChecked, FDigest ? &*FDigest : nullptr, FFound);
        return FChecked.Verdict;
    }

  private:
    TCheckedTag FChecked;
    uint64_t FFound = 0;
    std::optional<TMovieDigestFeed> FDigest;
    std::optional<TMovieDigestSink> FSink;
    TBlockSink FAlso;
};

} // namespace

TSignResult SignAviFile(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignAviFile(SiteCode, SrcPath, DstPath, TCallContext{});
}

namespace {

// The trailer's registers once the byte pass and the header pass are done.
std::array<uint8_t, SignTrailerSize> TrailerBytes(uint32_t HeaderCRC, uint32_t ContentCRC,
                                                  uint64_t Covered) {
    const uint32_t FileCRC = AdvanceCRC32OverZeros(HeaderCRC, Covered) ^ ContentCRC;
    return TSignTrailer::Make(HeaderCRC, FileCRC).Bytes();
}

// A copy of Src with the trailer appended. With a signer the tag chunk goes
// in front of the trailer: its size follows from the source's size alone,
// so the RIFF size is final before the copy starts, and the movie digest
// takes the byte pass's blocks (from offset 0, that size included).
TSignResult SignMovie(const char* SiteCode, const char* SrcPath, const char* DstPath,
                      const TStrongSigner* Signer, const TCallContext& Context) {
    if (!SiteCode || !SrcPath || !DstPath)
        return {false, "missing argument"};
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        // The header pass reads only headers and seeks; it runs beside the
        // copy, whose contents' checksum starts at 0 and is joined to the
        // header register afterwards. With a tag the headers are walked in
        // the copy instead, where the tag chunk's header is one of them.
        std::optional<THeaderPass> HeaderPass;
        if (Signer == nullptr)
            HeaderPass.emplace(SiteCode, SrcPath, -1, false, ThreadsOf(Context));

        TFileStream Source(SrcPath, TFileMode::OpenRead);
        const int64_t Size = Source.Size();
        // The RIFF header's size grows by the trailer and the tag (modulo
        // 2^32); the checksum starts behind it.
        uint8_t Header[RiffHeaderSize];
        if (Source.Read(Header, sizeof Header) < sizeof Header)
            return {false, "the source is shorter than its 12-byte RIFF header"};
        const uint64_t TagBytes =
            Signer ? MovieTagChunkBytes(static_cast<uint64_t>(Size), *Signer->Key) : 0;
        StoreLE32(&Header[4], Signer ? RiffSizeWithTag(LoadLE32(&Header[4]), TagBytes)
                                     : LoadLE32(&Header[4]) + SignTrailerSize);
        std::optional<TMovieDigestFeed> Digest;
        std::optional<TMovieDigestSink> DigestSink;
        TBlockSink Also;
        if (Signer) {
            Digest.emplace(static_cast<uint64_t>(Size), ChooseBlockSize(static_cast<uint64_t>(Size)));
            DigestSink.emplace(*Digest, static_cast<uint64_t>(Size));
            DigestSink->Add(0, {Header, sizeof Header});
            Also = [&DigestSink](uint64_t At, std::span<const uint8_t> Bytes) {
                DigestSink->Add(At, Bytes);
            };
        }
        TPendingFile Dest(DstPath);
        Dest.Stream().Write(Header, sizeof Header);
        uint32_t ContentCRC;
        {
            TBackgroundCopy Copy(SrcPath, Dest.Stream(), RiffHeaderSize, Size - RiffHeaderSize,
                                 ThreadsOf(Context));
            ContentCRC = ContentChecksum(Source, RiffHeaderSize, Size, Context, Also);
            Copy.Wait();
        }
        Source.Close();
        Dest.Stream().Seek(Size);
        uint64_t Covered = static_cast<uint64_t>(Size - RiffHeaderSize);
        uint32_t HeaderCRC;
        if (Signer) {
            const std::vector<uint8_t> Chunk =
                AviTagChunk(SignedMovieTag(*Digest, static_cast<uint64_t>(Size), *Signer));
            if (Chunk.size() != TagBytes)
                return {false, "the tag came out at another size than planned"};
            Dest.Stream().Write(Chunk.data(), Chunk.size());
            FeedCRC32(Chunk.data(), Chunk.size(), ContentCRC);
            Covered += Chunk.size();
            // The headers as verification walks them: the copy without its
            // trailer.
            HeaderCRC = KeyedCRCStart(SiteCode);
            TAVIStream Walk(std::move(Dest.Stream()), Size + static_cast<int64_t>(TagBytes));
            FeedChunkHeaders(Walk, HeaderCRC, false);
            Dest.Stream() = Walk.TakeBack();
            Dest.Stream().Seek(Size + static_cast<int64_t>(TagBytes));
        } else {
            HeaderCRC = HeaderPass->Get();
        }
        const auto Trailer = TrailerBytes(HeaderCRC, ContentCRC, Covered);
        Dest.Stream().Write(Trailer.data(), Trailer.size());
        Dest.Commit();
        return {true};
    } catch (...) {
        return {false, CurrentFailureText()};
    }
}

} // namespace

TSignResult SignAviFile(const char* SiteCode, const char* SrcPath, const char* DstPath,
                        const TCallContext& Context) {
    return SignMovie(SiteCode, SrcPath, DstPath, nullptr, Context);
}

TSignResult SignAviFileWithTag(const char* SiteCode, const char* SrcPath, const char* DstPath,
                               const TStrongSigner& Signer, const TCallContext& Context) {
    if (Signer.Key == nullptr)
        return {false, "no signing key"};
    return SignMovie(SiteCode, SrcPath, DstPath, &Signer, Context);
}

TVerifyResult VerifyAviFile(const char* SiteCode, const char* Path) {
    return VerifyAviFile(SiteCode, Path, TCallContext{});
}

namespace {

// The copying check; with Trusted, Strong receives the tag's verdict.
TVerifyResult VerifyMovieCopying(const char* SiteCode, const char* Path,
                                 const TTrustedKeyList* Trusted, TStrongVerdict& Strong,
                                 const TCallContext& Context) {
    Strong.Class = TStrongClass::NotChecked;
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
        if (std::optional<TVerifyResult> Refused = OpenMovieToCheck(Path, File, End)) {
            if (Refused->Code == VerifyNoSignature)
                Strong.Class = TStrongClass::NoTag; // no room for a trailer, nor for a tag
            return *Refused;
        }

        // The contents' checksum is taken while copying, from a register at 0,
        // and joined to the keyed register once the header pass has set it.
        TMovieTagCheck TagCheck(Trusted, *File);
        uint32_t ContentCRC;
        try {
            TBackgroundCopy Copying(Path, *Copy, 0, End, ThreadsOf(Context));
            ContentCRC = ContentChecksum(*File, RiffHeaderSize, End, Context, TagCheck.Sink());
            Copying.Wait();
            Copy->Close();
        } catch (const EFileError& E) {
            return {VerifyCopyFailed, TempReason(*TempDir, E)};
        } catch (...) {
            return {VerifyCopyFailed, "copying into TEMP failed: " + CurrentFailureText()};
        }
        Strong = TagCheck.Finish();
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

// The check from the file itself; with Trusted, Strong receives the tag's
// verdict.
TVerifyResult VerifyMovieInPlace(const char* SiteCode, const char* Path,
                                 const TTrustedKeyList* Trusted, TStrongVerdict& Strong,
                                 const TCallContext& Context) {
    Strong.Class = TStrongClass::NotChecked;
    const TThreadSeat Seat(ThreadsOf(Context));
    try {
        if (std::optional<TVerifyResult> Refused = RequestProblem(SiteCode, Path))
            return *Refused;
        std::optional<TFileStream> File;
        int64_t End = 0;
        if (std::optional<TVerifyResult> Refused = OpenMovieToCheck(Path, File, End)) {
            if (Refused->Code == VerifyNoSignature)
                Strong.Class = TStrongClass::NoTag; // no room for a trailer, nor for a tag
            return *Refused;
        }

        // The walk sees the file without its trailer, as the copying check's
        // walk sees its copy; it runs beside the contents' pass.
        TMovieTagCheck TagCheck(Trusted, *File);
        THeaderPass HeaderPass(SiteCode, Path, End, true, ThreadsOf(Context));
        const uint32_t ContentCRC =
            ContentChecksum(*File, RiffHeaderSize, End, Context, TagCheck.Sink());
        Strong = TagCheck.Finish();
        const TSignTrailer Trailer = ReadTrailerAt(*File, End);
        File.reset();
        return Verdict(Trailer, HeaderPass.Get(), ContentCRC, End);
    } catch (...) {
        return {VerifyOtherFailure, CurrentFailureReason()};
    }
}

} // namespace

TVerifyResult VerifyAviFile(const char* SiteCode, const char* Path, const TCallContext& Context) {
    TStrongVerdict Unused;
    return VerifyMovieCopying(SiteCode, Path, nullptr, Unused, Context);
}

TVerifyResult VerifyAviFileInPlace(const char* SiteCode, const char* Path) {
    return VerifyAviFileInPlace(SiteCode, Path, TCallContext{});
}

TVerifyResult VerifyAviFileInPlace(const char* SiteCode, const char* Path,
                                   const TCallContext& Context) {
    TStrongVerdict Unused;
    return VerifyMovieInPlace(SiteCode, Path, nullptr, Unused, Context);
}

TMediaVerdict VerifyAviFileWithTag(const char* SiteCode, const char* Path, bool InPlace,
                                   const TTrustedKeyList& Trusted, const TCallContext& Context) {
    TMediaVerdict Result;
    Result.Legacy = InPlace ? VerifyMovieInPlace(SiteCode, Path, &Trusted, Result.Strong, Context)
                            : VerifyMovieCopying(SiteCode, Path, &Trusted, Result.Strong, Context);
    return Result;
}

bool SignAVI(const char* SiteCode, const char* SrcPath, const char* DstPath) {
    return SignAviFile(SiteCode, SrcPath, DstPath).Ok;
}

int32_t VerifyAVI(const char* SiteCode, const char* Path) {
    return VerifyAviFile(SiteCode, Path).Code;
}

} // namespace quillon
