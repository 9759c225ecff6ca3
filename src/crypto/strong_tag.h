// The strong tag: what a photo or movie signed with a key carries beside
// its keyed checksum. The byte format is written down in
// docs/STRONG-SIGNATURE.md; this is its model, writer, parser and signature.
//
// A tag body is a fixed header, a list of sections (type, flags, length,
// payload) in ascending type order, and an Ed25519 signature over a
// context string and everything before the signature.
#pragma once

#include "digest.h"
#include "ed25519.h"
#include "minisign_keys.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillon {

enum class TMediaKind : uint8_t { Jpeg = 1, Avi = 2 };

inline constexpr uint8_t StrongTagVersion = 1;
inline constexpr size_t TagHeaderBytes = 24;
inline constexpr size_t SectionHeaderBytes = 8;
// The most a tag body may hold in any container (a JPEG segment holds less).
inline constexpr size_t MaxTagBodyBytes = size_t{1} << 20;

enum TSectionType : uint16_t {
    SectionPixels = 0x0001,           // JPEG: rendered size, tile size, pixel digest
    SectionFileBytes = 0x0002,        // JPEG: digest of the file without the tag
    SectionTileDigests = 0x0003,      // JPEG: a short digest per tile
    SectionTileFingerprints = 0x0004, // JPEG: a robust fingerprint per tile
    SectionMovieBytes = 0x0011,       // AVI: signed length, block size, movie digest
    SectionBlockDigests = 0x0012,     // AVI: a short digest per block
    SectionMovieLayout = 0x0013,      // AVI: the movie list and the streams
};
inline constexpr uint16_t SectionFlagCritical = 1;

// Fingerprint kinds of the tile fingerprints.
inline constexpr uint16_t FingerprintMeanYCbCr = 1; // 3 bytes: mean Y, Cb, Cr
// The bytes of each tile or block digest a writer keeps (entry size E).
inline constexpr uint16_t WrittenDigestPrefixBytes = 8;
inline constexpr uint16_t FingerprintMeanYCbCrDetail = 2; // 4 bytes: those and the detail

struct TPixelsSection {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t TileSize = 0;
    TDigestBytes Digest{};
};

struct TFileBytesSection {
    uint64_t Length = 0; // bytes covered: the file without the tag segment
    TDigestBytes Digest{};
};

// Per-tile or per-block entries of a fixed size, in order.
struct TEntryTable {
    uint16_t Kind = 0; // fingerprints: the kind; digests: 0
    uint16_t EntryBytes = 0;
    std::vector<uint8_t> Data; // count x EntryBytes
    std::span<const uint8_t> Entry(size_t I) const {
        return std::span<const uint8_t>(Data).subspan(I * EntryBytes, EntryBytes);
    }
};

struct TMovieBytesSection {
    uint64_t SignedLength = 0; // bytes from offset 0 up to the tag chunk
    uint32_t BlockSize = 0;
    TDigestBytes Digest{};
};

struct TStreamEntry {
    std::array<char, 4> Type{};    // "vids", "auds", ...
    std::array<char, 4> Handler{}; // the codec's code
    uint32_t Scale = 0;            // time of one frame or sample: Scale / Rate seconds
    uint32_t Rate = 0;
    uint32_t Start = 0;
    uint32_t Length = 0;
    uint32_t SampleSize = 0;
    uint32_t ChunkCount = 0; // chunks of this stream in the movie list at signing
};

struct TMovieLayoutSection {
    uint64_t MoviOffset = 0; // the "movi" list's header
    uint64_t MoviLength = 0; // its bytes, header included
    std::vector<TStreamEntry> Streams;
};

struct TUnknownSection {
    uint16_t Type = 0;
    uint16_t Flags = 0;
    std::vector<uint8_t> Payload;
};

struct TStrongTag {
    TMediaKind Kind = TMediaKind::Jpeg;
    TKeyId KeyId{};
    int64_t SignedAt = 0; // seconds since 1970-01-01 00:00 UTC
    std::optional<TPixelsSection> Pixels;
    std::optional<TFileBytesSection> FileBytes;
    std::optional<TEntryTable> TileDigests;
    std::optional<TEntryTable> TileFingerprints;
    std::optional<TMovieBytesSection> MovieBytes;
    std::optional<TEntryTable> BlockDigests;
    std::optional<TMovieLayoutSection> MovieLayout;
    std::vector<TUnknownSection> Unknown; // later additions this version skips
    TSignatureBytes Signature{};
};

// Tiles and blocks the maps hold.
uint64_t TileCount(const TPixelsSection& Pixels);
uint64_t BlockCount(const TMovieBytesSection& Movie);

// The context string that leads every signed message of a kind.
std::string_view TagSignatureContext(TMediaKind Kind);

// The body with KeyId and Signature set from Key. Raises ECryptoError
// (Malformed) for a tag that breaks the format's rules (what the parser
// would refuse).
std::vector<uint8_t> SignStrongTag(TStrongTag& Tag, const TSecretKey& Key);

// Reads a body. Raises ECryptoError: Malformed for a damaged tag (every
// length and count is checked against the bytes there), Unsupported for a
// later version or an unknown critical section.
TStrongTag ParseStrongTag(std::span<const uint8_t> Body, TMediaKind Expected);

// True when the body's signature was made by Key (the body must have parsed).
bool StrongTagSignedBy(std::span<const uint8_t> Body, TMediaKind Kind,
                       const TPublicKeyBytes& Key);

} // namespace quillon
