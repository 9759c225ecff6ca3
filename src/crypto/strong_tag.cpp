#include "strong_tag.h"

#include "crypto_error.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr char BodyMagic[4] = {'Q', 'S', 'T', 'G'};
constexpr uint32_t MinTileSize = 16, MaxTileSize = 65536;
constexpr uint32_t MinBlockSize = 4096, MaxBlockSize = uint32_t{1} << 30;
constexpr uint32_t MaxStreams = 100;
constexpr size_t StreamEntryBytes = 32;

[[noreturn]] void Damaged(const std::string& What) {
    throw ECryptoError(TCryptoErrorKind::Malformed, "damaged tag: " + What);
}

bool PowerOfTwo(uint64_t V) {
    return V != 0 && (V & (V - 1)) == 0;
}

uint64_t CeilDiv(uint64_t A, uint64_t B) {
    return A / B + (A % B != 0);
}

class TWriter {
  public:
    void U8(uint8_t V) { FBytes.push_back(V); }
    void U16(uint16_t V) { Le(V, 2); }
    void U32(uint32_t V) { Le(V, 4); }
    void U64(uint64_t V) { Le(V, 8); }
    void Bytes(std::span<const uint8_t> B) { FBytes.insert(FBytes.end(), B.begin(), B.end()); }
    void Chars(const std::array<char, 4>& C) {
        for (const char X : C)
            U8(static_cast<uint8_t>(X));
    }
    size_t Size() const { return FBytes.size(); }
    std::vector<uint8_t>& Out() { return FBytes; }
    void PatchU32(size_t At, uint32_t V) {
        for (int I = 0; I < 4; ++I, V >>= 8)
            FBytes[At + I] = static_cast<uint8_t>(V);
    }

  private:
    void Le(uint64_t V, int N) {
        for (int I = 0; I < N; ++I, V >>= 8)
            FBytes.push_back(static_cast<uint8_t>(V));
    }
    std::vector<uint8_t> FBytes;
};

// Reads little-endian fields and refuses to run past its end.
class TReader {
  public:
    TReader(std::span<const uint8_t> Bytes, const char* What) : FBytes(Bytes), FWhat(What) {}
    uint8_t U8() { return Take(1)[0]; }
    uint16_t U16() { return static_cast<uint16_t>(Le(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Le(4)); }
    uint64_t U64() { return Le(8); }
    std::span<const uint8_t> Take(size_t N) {
        if (N > FBytes.size() - FPos)
            Damaged(std::string(FWhat) + " ends early");
        const std::span<const uint8_t> Part = FBytes.subspan(FPos, N);
        FPos += N;
        return Part;
    }
    std::array<char, 4> Chars() {
        const std::span<const uint8_t> B = Take(4);
        return {static_cast<char>(B[0]), static_cast<char>(B[1]), static_cast<char>(B[2]),
                static_cast<char>(B[3])};
    }
    size_t Left() const { return FBytes.size() - FPos; }
    void ExpectEnd() const {
        if (Left() != 0)
            Damaged(std::string(FWhat) + " holds bytes beyond its fields");
    }

  private:
    uint64_t Le(int N) {
        const std::span<const uint8_t> B = Take(static_cast<size_t>(N));
        uint64_t V = 0;
        for (int I = N - 1; I >= 0; --I)
            V = V << 8 | B[static_cast<size_t>(I)];
        return V;
    }
    std::span<const uint8_t> FBytes;
    const char* FWhat;
    size_t FPos = 0;
};

TDigestBytes ReadDigest(TReader& R) {
    TDigestBytes D;
    const std::span<const uint8_t> B = R.Take(D.size());
    std::copy(B.begin(), B.end(), D.begin());
    return D;
}

// ---- section payloads --------------------------------------------------------

void WritePixels(TWriter& W, const TPixelsSection& P) {
    W.U32(P.Width);
    W.U32(P.Height);
    W.U32(P.TileSize);
    W.U32(0);
    W.Bytes(P.Digest);
}

TPixelsSection ReadPixels(TReader& R) {
    TPixelsSection P;
    P.Width = R.U32();
    P.Height = R.U32();
    P.TileSize = R.U32();
    if (R.U32() != 0)
        Damaged("a reserved field of the pixel section is not zero");
    P.Digest = ReadDigest(R);
    R.ExpectEnd();
    if (P.Width == 0 || P.Height == 0 || P.Width > 65535 || P.Height > 65535)
        Damaged("the image size " + std::to_string(P.Width) + " x " + std::to_string(P.Height) +
                " is impossible for a JPEG image");
    if (!PowerOfTwo(P.TileSize) || P.TileSize < MinTileSize || P.TileSize > MaxTileSize)
        Damaged("the tile size " + std::to_string(P.TileSize) + " is not allowed");
    return P;
}

void WriteFileBytes(TWriter& W, const TFileBytesSection& F) {
    W.U64(F.Length);
    W.Bytes(F.Digest);
}

TFileBytesSection ReadFileBytes(TReader& R) {
    TFileBytesSection F;
    F.Length = R.U64();
    F.Digest = ReadDigest(R);
    R.ExpectEnd();
    return F;
}

void WriteTable(TWriter& W, const TEntryTable& T) {
    W.U16(T.Kind);
    W.U16(T.EntryBytes);
    W.Bytes(T.Data);
}

// Count entries of EntryBytes each; MaxEntryBytes bounds what one may hold.
TEntryTable ReadTable(TReader& R, uint64_t Count, uint16_t MaxEntryBytes, const char* What) {
    TEntryTable T;
    T.Kind = R.U16();
    T.EntryBytes = R.U16();
    if (T.EntryBytes == 0 || T.EntryBytes > MaxEntryBytes)
        Damaged(std::string(What) + " has entries of " + std::to_string(T.EntryBytes) + " bytes");
    if (R.Left() != Count * T.EntryBytes)
        Damaged(std::string(What) + " does not hold one entry for each of the " +
                std::to_string(Count) + " parts of the file");
    const std::span<const uint8_t> Data = R.Take(R.Left());
    T.Data.assign(Data.begin(), Data.end());
    return T;
}

void WriteMovieBytes(TWriter& W, const TMovieBytesSection& M) {
    W.U64(M.SignedLength);
    W.U32(M.BlockSize);
    W.U32(0);
    W.Bytes(M.Digest);
}

TMovieBytesSection ReadMovieBytes(TReader& R) {
    TMovieBytesSection M;
    M.SignedLength = R.U64();
    M.BlockSize = R.U32();
    if (R.U32() != 0)
        Damaged("a reserved field of the movie section is not zero");
    M.Digest = ReadDigest(R);
    R.ExpectEnd();
    if (!PowerOfTwo(M.BlockSize) || M.BlockSize < MinBlockSize || M.BlockSize > MaxBlockSize)
        Damaged("the block size " + std::to_string(M.BlockSize) + " is not allowed");
    return M;
}

void WriteLayout(TWriter& W, const TMovieLayoutSection& L) {
    W.U64(L.MoviOffset);
    W.U64(L.MoviLength);
    W.U32(static_cast<uint32_t>(L.Streams.size()));
    W.U32(0);
    for (const TStreamEntry& S : L.Streams) {
        W.Chars(S.Type);
        W.Chars(S.Handler);
        W.U32(S.Scale);
        W.U32(S.Rate);
        W.U32(S.Start);
        W.U32(S.Length);
        W.U32(S.SampleSize);
        W.U32(S.ChunkCount);
    }
}

TMovieLayoutSection ReadLayout(TReader& R) {
    TMovieLayoutSection L;
    L.MoviOffset = R.U64();
    L.MoviLength = R.U64();
    const uint32_t Count = R.U32();
    if (R.U32() != 0)
        Damaged("a reserved field of the layout section is not zero");
    if (Count > MaxStreams || R.Left() != uint64_t{Count} * StreamEntryBytes)
        Damaged("the layout section's stream count does not fit its length");
    for (uint32_t I = 0; I < Count; ++I) {
        TStreamEntry S;
        S.Type = R.Chars();
        S.Handler = R.Chars();
        S.Scale = R.U32();
        S.Rate = R.U32();
        S.Start = R.U32();
        S.Length = R.U32();
        S.SampleSize = R.U32();
        S.ChunkCount = R.U32();
        L.Streams.push_back(S);
    }
    return L;
}

// ---- the whole body --------------------------------------------------------------

// Everything but the signature.
std::vector<uint8_t> SignedPart(const TStrongTag& Tag) {
    struct TPending {
        uint16_t Type;
        uint16_t Flags;
        std::vector<uint8_t> Payload;
    };
    std::vector<TPending> Sections;
    const auto Add = [&Sections](uint16_t Type, auto WriteFn) {
        TWriter W;
        WriteFn(W);
        Sections.push_back({Type, 0, std::move(W.Out())});
    };
    if (Tag.Pixels)
        Add(SectionPixels, [&](TWriter& W) { WritePixels(W, *Tag.Pixels); });
    if (Tag.FileBytes)
        Add(SectionFileBytes, [&](TWriter& W) { WriteFileBytes(W, *Tag.FileBytes); });
    if (Tag.TileDigests)
        Add(SectionTileDigests, [&](TWriter& W) { WriteTable(W, *Tag.TileDigests); });
    if (Tag.TileFingerprints)
        Add(SectionTileFingerprints, [&](TWriter& W) { WriteTable(W, *Tag.TileFingerprints); });
    if (Tag.MovieBytes)
        Add(SectionMovieBytes, [&](TWriter& W) { WriteMovieBytes(W, *Tag.MovieBytes); });
    if (Tag.BlockDigests)
        Add(SectionBlockDigests, [&](TWriter& W) { WriteTable(W, *Tag.BlockDigests); });
    if (Tag.MovieLayout)
        Add(SectionMovieLayout, [&](TWriter& W) { WriteLayout(W, *Tag.MovieLayout); });
    for (const TUnknownSection& U : Tag.Unknown)
        Sections.push_back({U.Type, U.Flags, U.Payload});
    std::stable_sort(Sections.begin(), Sections.end(),
                     [](const TPending& A, const TPending& B) { return A.Type < B.Type; });

    TWriter W;
    W.Bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(BodyMagic), 4));
    W.U8(StrongTagVersion);
    W.U8(static_cast<uint8_t>(Tag.Kind));
    W.U16(static_cast<uint16_t>(Sections.size()));
    W.Bytes(Tag.KeyId);
    W.U64(static_cast<uint64_t>(Tag.SignedAt));
    for (const TPending& S : Sections) {
        W.U16(S.Type);
        W.U16(S.Flags);
        W.U32(static_cast<uint32_t>(S.Payload.size()));
        W.Bytes(S.Payload);
    }
    return std::move(W.Out());
}

std::vector<uint8_t> SignedMessage(std::span<const uint8_t> Part, TMediaKind Kind) {
    const std::string_view Context = TagSignatureContext(Kind);
    std::vector<uint8_t> Message(Context.begin(), Context.end());
    Message.insert(Message.end(), Part.begin(), Part.end());
    return Message;
}

bool KnownKind(uint8_t Kind) {
    return Kind == static_cast<uint8_t>(TMediaKind::Jpeg) ||
           Kind == static_cast<uint8_t>(TMediaKind::Avi);
}

} // namespace

uint64_t TileCount(const TPixelsSection& Pixels) {
    return CeilDiv(Pixels.Width, Pixels.TileSize) * CeilDiv(Pixels.Height, Pixels.TileSize);
}

uint64_t BlockCount(const TMovieBytesSection& Movie) {
    return CeilDiv(Movie.SignedLength, Movie.BlockSize);
}

std::string_view TagSignatureContext(TMediaKind Kind) {
    // The terminating NUL is part of each context.
    static constexpr char Jpeg[] = "Quillon strong tag v1: JPEG photo";
    static constexpr char Avi[] = "Quillon strong tag v1: AVI movie";
    return Kind == TMediaKind::Jpeg ? std::string_view(Jpeg, sizeof Jpeg)
                                    : std::string_view(Avi, sizeof Avi);
}

std::vector<uint8_t> SignStrongTag(TStrongTag& Tag, const TSecretKey& Key) {
    Tag.KeyId = Key.Id;
    std::vector<uint8_t> Body = SignedPart(Tag);
    Tag.Signature = Key.Key.Sign(SignedMessage(Body, Tag.Kind));
    Body.insert(Body.end(), Tag.Signature.begin(), Tag.Signature.end());
    // What is written must read back: the same rules hold on both sides.
    ParseStrongTag(Body, Tag.Kind);
    return Body;
}

TStrongTag ParseStrongTag(std::span<const uint8_t> Body, TMediaKind Expected) {
    if (Body.size() > MaxTagBodyBytes)
        Damaged("it is larger than any tag");
    if (Body.size() < TagHeaderBytes + SignatureBytes)
        Damaged("it is shorter than its header and signature");
    TReader R(Body.first(Body.size() - SignatureBytes), "the tag");
    if (!std::equal(BodyMagic, BodyMagic + 4, R.Take(4).begin()))
        Damaged("it does not begin with the tag's magic");
    const uint8_t Version = R.U8();
    if (Version != StrongTagVersion)
        throw ECryptoError(TCryptoErrorKind::Unsupported,
                           "the tag is of format version " + std::to_string(Version) +
                               "; this program reads version 1");
    const uint8_t Kind = R.U8();
    if (!KnownKind(Kind) || Kind != static_cast<uint8_t>(Expected))
        Damaged("it is not a tag for this kind of file");
    TStrongTag Tag;
    Tag.Kind = Expected;
    const uint16_t Sections = R.U16();
    const std::span<const uint8_t> Id = R.Take(KeyIdBytes);
    std::copy(Id.begin(), Id.end(), Tag.KeyId.begin());
    Tag.SignedAt = static_cast<int64_t>(R.U64());

    int32_t LastType = -1;
    std::vector<std::pair<uint16_t, std::span<const uint8_t>>> Tables;
    for (uint16_t I = 0; I < Sections; ++I) {
        const uint16_t Type = R.U16();
        const uint16_t Flags = R.U16();
        const uint32_t Length = R.U32();
        const std::span<const uint8_t> Payload = R.Take(Length);
        if (static_cast<int32_t>(Type) <= LastType)
            Damaged("its sections are not in ascending order of type");
        LastType = Type;
        if ((Flags & ~SectionFlagCritical) != 0)
            Damaged("a section has flags this version does not define");
        const bool ForJpeg = Type >= SectionPixels && Type <= SectionTileFingerprints;
        const bool ForAvi = Type >= SectionMovieBytes && Type <= SectionMovieLayout;
        if ((ForJpeg && Expected != TMediaKind::Jpeg) || (ForAvi && Expected != TMediaKind::Avi))
            Damaged("it holds a section of another kind of file");
        TReader P(Payload, "a section");
        switch (Type) {
        case SectionPixels:
            Tag.Pixels = ReadPixels(P);
            break;
        case SectionFileBytes:
            Tag.FileBytes = ReadFileBytes(P);
            break;
        case SectionMovieBytes:
            Tag.MovieBytes = ReadMovieBytes(P);
            break;
        case SectionMovieLayout:
            Tag.MovieLayout = ReadLayout(P);
            break;
        case SectionTileDigests:
        case SectionTileFingerprints:
        case SectionBlockDigests:
            Tables.emplace_back(Type, Payload); // read once their counts are known
            break;
        default:
            if ((Flags & SectionFlagCritical) != 0)
                throw ECryptoError(TCryptoErrorKind::Unsupported,
                                   "the tag holds a section (type " + std::to_string(Type) +
                                       ") that a later version must read");
            Tag.Unknown.push_back({Type, Flags, std::vector<uint8_t>(Payload.begin(), Payload.end())});
        }
    }
    R.ExpectEnd();
    if (Expected == TMediaKind::Jpeg && (!Tag.Pixels || !Tag.FileBytes))
        Damaged("a photo's tag lacks its pixel or file section");
    if (Expected == TMediaKind::Avi && !Tag.MovieBytes)
        Damaged("a movie's tag lacks its movie section");
    if (Tag.MovieBytes && BlockCount(*Tag.MovieBytes) > (uint64_t{1} << 20))
        Damaged("the movie section names more blocks than a tag may map");
    for (const auto& [Type, Payload] : Tables) {
        TReader P(Payload, "a map section");
        if (Type == SectionTileDigests) {
            Tag.TileDigests = ReadTable(P, TileCount(*Tag.Pixels), DigestBytes, "the tile digests");
            if (Tag.TileDigests->Kind != 0)
                Damaged("the tile digests are of an unknown kind");
        } else if (Type == SectionTileFingerprints) {
            Tag.TileFingerprints = ReadTable(P, TileCount(*Tag.Pixels), 64, "the tile fingerprints");
            const uint16_t Kind = Tag.TileFingerprints->Kind;
            const uint16_t Bytes = Tag.TileFingerprints->EntryBytes;
            if (Kind == 0 || (Kind == FingerprintMeanYCbCr && Bytes != 3) ||
                (Kind == FingerprintMeanYCbCrDetail && Bytes != 4))
                Damaged("the tile fingerprints' kind does not fit their size");
        } else {
            Tag.BlockDigests =
                ReadTable(P, BlockCount(*Tag.MovieBytes), DigestBytes, "the block digests");
            if (Tag.BlockDigests->Kind != 0)
                Damaged("the block digests are of an unknown kind");
        }
    }
    std::copy(Body.end() - SignatureBytes, Body.end(), Tag.Signature.begin());
    return Tag;
}

bool StrongTagSignedBy(std::span<const uint8_t> Body, TMediaKind Kind, const TPublicKeyBytes& Key) {
    if (Body.size() < SignatureBytes)
        return false;
    TSignatureBytes Signature;
    std::copy(Body.end() - SignatureBytes, Body.end(), Signature.begin());
    return VerifySignature(Key, Signature,
                           SignedMessage(Body.first(Body.size() - SignatureBytes), Kind));
}

} // namespace quillon
