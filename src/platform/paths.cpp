// Path rules built on the platform's delimiters.
#include "files.h"

namespace quillon {

namespace {
size_t LastDelimiter(std::string_view Path) {
    for (size_t I = Path.size(); I > 0; --I)
        if (IsPathDelimiter(Path[I - 1]))
            return I - 1;
    return std::string_view::npos;
}
} // namespace

std::string ExtractFileName(std::string_view Path) {
    const size_t D = LastDelimiter(Path);
    return std::string(D == std::string_view::npos ? Path : Path.substr(D + 1));
}

std::string ExtractFilePath(std::string_view Path) {
    const size_t D = LastDelimiter(Path);
    return D == std::string_view::npos ? std::string() : std::string(Path.substr(0, D + 1));
}

std::string ExtractFileExt(std::string_view Path) {
    for (size_t I = Path.size(); I > 0; --I) {
        const char C = Path[I - 1];
        if (IsPathDelimiter(C))
            return {};
        if (C == '.')
            return std::string(Path.substr(I - 1));
    }
    return {};
}

bool SameTextAscii(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I) {
        char X = A[I], Y = B[I];
        if (X >= 'a' && X <= 'z')
            X = static_cast<char>(X - 'a' + 'A');
        if (Y >= 'a' && Y <= 'z')
            Y = static_cast<char>(Y - 'a' + 'A');
        if (X != Y)
            return false;
    }
    return true;
}

} // namespace quillon
