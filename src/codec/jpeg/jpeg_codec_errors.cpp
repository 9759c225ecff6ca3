#include "jpeg_codec_errors.h"

#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <string>

#include <jpeglib.h>

namespace quillon {

EJpegError::EJpegError(int MsgCode, std::string Detail)
    : std::runtime_error("JPEG error #" + std::to_string(MsgCode)), FMsgCode(MsgCode),
      FDetail(std::move(Detail)) {}

namespace {

[[noreturn]] void ThrowOnFatal(j_common_ptr Info) {
    char Text[JMSG_LENGTH_MAX] = {};
    Info->err->format_message(Info, Text);
    throw EJpegError(Info->err->msg_code, Text);
}

void IgnoreMessage(j_common_ptr, int) {}

void IgnoreOutput(j_common_ptr) {}

} // namespace

jpeg_error_mgr* InstallJpegErrorManager(jpeg_error_mgr& Manager) {
    jpeg_std_error(&Manager);
    Manager.error_exit = ThrowOnFatal;
    Manager.emit_message = IgnoreMessage;
    Manager.output_message = IgnoreOutput;
    return &Manager;
}

void RaiseJpegError(jpeg_common_struct* Info, int MsgCode) {
    Info->err->msg_code = MsgCode;
    Info->err->error_exit(Info);
    throw EJpegError(MsgCode); // error_exit never returns; this keeps the promise
}

} // namespace quillon
