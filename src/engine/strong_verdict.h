// What verification concludes from a strong tag, beside the keyed
// checksum's result, and what signing with a key needs. The verdict is
// found in steps every tag goes through (found, parsed, key trusted,
// signature good) and then by the digests of the kind of file.
#pragma once

#include "containers/strong_tag_place.h"
#include "crypto/minisign_keys.h"
#include "crypto/strong_tag.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class TStrongClass {
    NoTag,          // the file carries no tag: the keyed checksum stands alone
    Original,       // a trusted key signed it, and nothing changed since
    PixelsOriginal, // a photo's pixels are as signed, other bytes changed
    Changed,        // the signed pixels or movie bytes changed
    Untrusted,      // signed by a key that is not trusted
    Damaged,        // the tag cannot be read, or its signature fails
    LaterFormat,    // a tag of a later format than this program reads
    NotChecked,     // the file could not be checked at all
};

struct TStrongVerdict {
    TStrongClass Class = TStrongClass::NoTag;
    std::optional<TKeyId> KeyId;  // the signing key's id, once the tag parsed
    std::string KeyComment;       // the trusted key's comment
    std::optional<int64_t> SignedAt; // seconds since 1970 UTC, once the tag parsed
    std::string Detail;           // why damaged, or what changed
};

// The public keys a verification trusts, passed with each call.
using TTrustedKeyList = std::vector<TPublicKey>;

// A key to sign with and the time to write into the tag.
struct TStrongSigner {
    const TSecretKey* Key = nullptr;
    int64_t SignedAt = 0; // seconds since 1970-01-01 00:00 UTC
};

// The signing time of now.
int64_t CurrentUnixTime();

// One word for tables: "original", "pixels-original", "changed",
// "untrusted", "damaged", "later-format", "no-tag", "not-checked".
std::string_view StrongClassName(TStrongClass Class);
// "2026-12-10 05:21:00 UTC".
std::string UtcTimeText(int64_t Seconds);
// "2026-12-10T05:21:00Z" (ISO 8601), for machine-read output.
std::string UtcTimeIso(int64_t Seconds);
// The verdict for a person: its class in words, the signer and the time
// where known, and the detail.
std::string StrongVerdictWords(const TStrongVerdict& Verdict);

// The common steps. Verdict is filled in (class, key id, comment, time);
// Tag is set only when the signature holds and the digests must decide,
// and then Verdict.Class is left for the caller to set.
struct TCheckedTag {
    std::optional<TStrongTag> Tag;
    TStrongVerdict Verdict;
};
TCheckedTag CheckStrongTag(const TTagSpot& Spot, TMediaKind Kind, const TTrustedKeyList& Trusted);

} // namespace quillon
