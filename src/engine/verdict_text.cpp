#include "verdict_text.h"

#include "mediasign.h"

namespace quillon {

std::string_view VerdictText(int32_t Code) {
    switch (Code) {
    case VerifyOk:
        return TextOriginal;
    case VerifyMismatch:
    case VerifyNoSignature:
        return TextChanged;
    case VerifyNoSiteCode:
        return TextInvalidGroupCode;
    case VerifyNoFile:
        return TextInvalidFile;
    case VerifyNoTemp:
        return TextNoTemp;
    case VerifyCopyFailed:
        return TextNoSpace;
    default:
        return TextUnknownError;
    }
}

} // namespace quillon
