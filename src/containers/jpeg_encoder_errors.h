// The encoder's error manager: a fatal codec error becomes EJpegError with
// the library's message code; warnings and trace messages are dropped.
#pragma once

#include "jpeg_render.h"

#include <cstdio>
#include <jpeglib.h>

namespace quillon {

inline void InstallEncoderErrorManager(jpeg_compress_struct& Info, jpeg_error_mgr& Errors) {
    Info.err = jpeg_std_error(&Errors);
    Errors.error_exit = [](j_common_ptr C) { throw EJpegError(C->err->msg_code); };
    Errors.emit_message = [](j_common_ptr, int) {};
    Errors.output_message = [](j_common_ptr) {};
}

} // namespace quillon
