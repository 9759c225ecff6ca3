// The codec's error manager, shared by decoding and encoding: a fatal error
// leaves the library as EJpegError carrying its message code, and warnings
// and trace messages are dropped so that damaged files still decode.
#pragma once

#include <stdexcept>
#include <string>

// The library's own structures; only their addresses pass through here.
struct jpeg_error_mgr;
struct jpeg_common_struct;

namespace quillon {

// A fatal codec error; what() is "JPEG error #<MsgCode>". Detail() is the
// library's own wording of it, for reports ("" when there is none).
class EJpegError : public std::runtime_error {
  public:
    explicit EJpegError(int MsgCode, std::string Detail = {});
    int MsgCode() const { return FMsgCode; }
    const std::string& Detail() const { return FDetail; }

  private:
    int FMsgCode;
    std::string FDetail;
};

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
[[noreturn]] void RaiseJpegError(jpeg_common_struct* Info, int MsgCode);

} // namespace quillon
