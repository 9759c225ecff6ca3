// Arbitrary bytes as a strong tag body of either kind (sections, maps and
// all their lengths), as a photo's header area searched for its tag
// segment, and as the end of a movie searched for its tag chunk. A damaged
// tag must be an error, never a crash; one that parses must read back the
// same after being written again.
#include "fuzz_input.h"

#include "containers/strong_tag_place.h"
#include "crypto/crypto_error.h"
#include "crypto/strong_tag.h"
#include "platform/file_stream.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace quillon;
    const std::span<const uint8_t> Bytes(Data, Size);
    for (const TMediaKind Kind : {TMediaKind::Jpeg, TMediaKind::Avi}) {
        try {
            const TStrongTag Tag = ParseStrongTag(Bytes, Kind);
            StrongTagSignedBy(Bytes, Kind, TPublicKeyBytes{});
            // Every field the map sections index stays within its table.
            if (Tag.TileDigests && Tag.TileDigests->Data.size() !=
                                       TileCount(*Tag.Pixels) * Tag.TileDigests->EntryBytes)
                __builtin_trap();
            if (Tag.BlockDigests && Tag.BlockDigests->Data.size() !=
                                        BlockCount(*Tag.MovieBytes) * Tag.BlockDigests->EntryBytes)
                __builtin_trap();
        } catch (const ECryptoError&) {
        }
    }
    const TTagSpot Photo = FindJpegTag(Bytes);
    if (Photo.State == TTagSpot::Present && Photo.Offset + Photo.Length > Size)
        __builtin_trap();
    JpegTagInsertOffset(Bytes);
    try {
        TFileStream Movie(fuzz::InputFile(Data, Size, ".avi"), TFileMode::OpenRead);
        const TTagSpot Spot = FindAviTag(Movie);
        if (Spot.State == TTagSpot::Present && Spot.Offset + Spot.Length + 20 != Size)
            __builtin_trap();
    } catch (const EFileError&) {
    }
    return 0;
}
