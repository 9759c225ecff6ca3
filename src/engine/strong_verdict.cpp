#include "strong_verdict.h"

#include "crypto/crypto_error.h"

#include <chrono>

namespace quillon {

int64_t CurrentUnixTime() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string_view StrongClassName(TStrongClass Class) {
    switch (Class) {
    case TStrongClass::NoTag:
        return "no-tag";
    case TStrongClass::Original:
        return "original";
    case TStrongClass::PixelsOriginal:
        return "pixels-original";
    case TStrongClass::Changed:
        return "changed";
    case TStrongClass::Untrusted:
        return "untrusted";
    case TStrongClass::Damaged:
        return "damaged";
    case TStrongClass::LaterFormat:
        return "later-format";
    case TStrongClass::NotChecked:
        return "not-checked";
    }
    return "not-checked";
}

std::string UtcTimeText(int64_t Seconds) {
    // Civil date from days since 1970-01-01 (proleptic Gregorian), so that
    // no time zone or C library range limit enters.
    int64_t Days = Seconds / 86400;
    int64_t Rest = Seconds % 86400;
    if (Rest < 0) {
        Rest += 86400;
        --Days;
    }
    const int64_t Z = Days + 719468;
    const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
    const int64_t DayOfEra = Z - Era * 146097;
    const int64_t YearOfEra = (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
    const int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
    const int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
    const int64_t Day = DayOfYear - (153 * MonthIndex + 2) / 5 + 1;
    const int64_t Month = MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9;
    const int64_t Year = YearOfEra + Era * 400 + (Month <= 2);
    const auto Two = [](int64_t V) { return (V < 10 ? "0" : "") + std::to_string(V); };
    std::string YearText = std::to_string(Year < 0 ? -Year : Year);
    YearText.insert(0, YearText.size() < 4 ? 4 - YearText.size() : 0, '0');
    return (Year < 0 ? "-" : "") + YearText + "-" + Two(Month) + "-" + Two(Day) + " " +
           Two(Rest / 3600) + ":" + Two(Rest / 60 % 60) + ":" + Two(Rest % 60) + " UTC";
}

std::string UtcTimeIso(int64_t Seconds) {
    std::string Text = UtcTimeText(Seconds);
    Text[Text.find(' ')] = 'T';
    Text.replace(Text.size() - 4, 4, "Z");
    return Text;
}

std::string StrongVerdictWords(const TStrongVerdict& Verdict) {
    std::string Words;
    switch (Verdict.Class) {
    case TStrongClass::NoTag:
        return "no strong tag";
    case TStrongClass::Original:
        Words = "original, signed by " + Verdict.KeyComment;
        break;
    case TStrongClass::PixelsOriginal:
        Words = "pixels original, other bytes changed; signed by " + Verdict.KeyComment;
        break;
    case TStrongClass::Changed:
        Words = "changed since signed by " + Verdict.KeyComment;
        break;
    case TStrongClass::Untrusted:
        Words = "signed by a key that is not trusted";
        break;
    case TStrongClass::Damaged:
        Words = "strong tag damaged";
        break;
    case TStrongClass::LaterFormat:
        Words = "strong tag of a later format";
        break;
    case TStrongClass::NotChecked:
        Words = "strong tag not checked";
        break;
    }
    if (Verdict.KeyId)
        Words += " (key " + KeyIdText(*Verdict.KeyId) + ")";
    if (Verdict.SignedAt && Verdict.Class != TStrongClass::Damaged)
        Words += " at " + UtcTimeText(*Verdict.SignedAt);
    if (!Verdict.Detail.empty())
        Words += ": " + Verdict.Detail;
    return Words;
}

TCheckedTag CheckStrongTag(const TTagSpot& Spot, TMediaKind Kind, const TTrustedKeyList& Trusted) {
    TCheckedTag Checked;
    TStrongVerdict& V = Checked.Verdict;
    if (Spot.State == TTagSpot::Absent) {
        V.Class = TStrongClass::NoTag;
        return Checked;
    }
    if (Spot.State == TTagSpot::Damaged) {
        V.Class = TStrongClass::Damaged;
        V.Detail = Spot.Reason;
        return Checked;
    }
    TStrongTag Tag;
    try {
        Tag = ParseStrongTag(Spot.Body, Kind);
    } catch (const ECryptoError& E) {
        V.Class = E.Kind() == TCryptoErrorKind::Unsupported ? TStrongClass::LaterFormat
                                                           : TStrongClass::Damaged;
        V.Detail = E.what();
        return Checked;
    }
    V.KeyId = Tag.KeyId;
    V.SignedAt = Tag.SignedAt;
    // Two trusted files may name the same id: the key whose signature holds counts.
    bool IdTrusted = false;
    const TPublicKey* Signer = nullptr;
    for (const TPublicKey& Key : Trusted) {
        if (Key.Id != Tag.KeyId)
            continue;
        IdTrusted = true;
        if (StrongTagSignedBy(Spot.Body, Kind, Key.Key)) {
            Signer = &Key;
            break;
        }
    }
    if (!IdTrusted) {
        V.Class = TStrongClass::Untrusted;
        return Checked;
    }
    if (Signer == nullptr) {
        V.Class = TStrongClass::Damaged;
        V.Detail = "its signature does not hold: the tag is damaged or forged";
        return Checked;
    }
    V.KeyComment = Signer->Comment;
    Checked.Tag = std::move(Tag);
    return Checked;
}

} // namespace quillon
