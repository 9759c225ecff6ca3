// The codec's error manager, shared by decoding and encoding: a fatal error
// leaves the library as EJpegError carrying its message code, and warnings
// and trace messages are dropped so that damaged files still decode.
#pragma once

#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace quillon {

// Message codes we raise ourselves, in the numbering of the reference
// library (the installed one agrees on these).
enum TJpegMessageCode : int {
    JpegArithmeticCoding = 1,
    JpegConversionNotImplemented = 27,
    JpegFractionalSampling = 38,
    JpegHuffmanTableMissing = 50,
};

// Fills Manager with the library's defaults, then makes error_exit throw and
// emit_message/output_message silent. Assign the result to the struct's err.
jpeg_error_mgr* InstallJpegErrorManager(jpeg_error_mgr& Manager);

// Raises a fatal error the way the library would, through Info's manager.
[[noreturn]] void RaiseJpegError(j_common_ptr Info, int MsgCode);

} // namespace quillon
