#include "failure_text.h"

#include "codec/jpeg/jpeg_codec_errors.h"
#include "platform/file_stream.h"
#include "platform/files.h"

#include <exception>
#include <new>

namespace quillon {

namespace {

// Message codes of the reference numbering that mean "this is no JPEG stream".
constexpr int JpegEmptyInput = 42;
constexpr int JpegNoSoi = 53;

std::string JpegReason(const EJpegError& E) {
    std::string Code = E.what();
    if (!E.Detail().empty())
        Code += ": " + E.Detail();
    const bool NotJpeg = E.MsgCode() == JpegNoSoi || E.MsgCode() == JpegEmptyInput;
    return (NotJpeg ? "not a JPEG file (" : "cannot decode (") + Code + ")";
}

std::string FileReason(const EFileError& E) {
    switch (E.Kind()) {
    case TFileErrorKind::NotFound:
        return "not found";
    case TFileErrorKind::AccessDenied:
        return "permission denied";
    case TFileErrorKind::NotAFile:
        return "not a regular file";
    case TFileErrorKind::NoSpace:
        return "no space left on the disk";
    case TFileErrorKind::EndOfFile:
        return "the file ends too early";
    case TFileErrorKind::Exists:
        return "exists already";
    case TFileErrorKind::Other:
        break;
    }
    return E.what();
}

} // namespace

std::string CurrentFailureText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const EJpegError& E) {
        return JpegReason(E);
    } catch (const std::exception& E) {
        return E.what();
    } catch (...) {
        return "unknown error";
    }
}

std::string CurrentFailureReason() {
    try {
        throw;
    } catch (const EFileError& E) {
        return FileReason(E);
    } catch (...) {
        return CurrentFailureText();
    }
}

std::string MissingFileReason(const std::string& Path) {
    return PathExists(Path) ? "not a regular file" : "not found";
}

} // namespace quillon
