// Placeholder: the exact renderer is built on its own branch.
#include "jpeg_render.h"

namespace quillon {

EJpegError::EJpegError(int MsgCode)
    : std::runtime_error("JPEG error #" + std::to_string(MsgCode)), FMsgCode(MsgCode) {}

TRenderedImage RenderJpegFile(const std::string&) {
    throw std::logic_error("not built yet");
}
TRenderedImage RenderJpegMemory(const uint8_t*, size_t) {
    throw std::logic_error("not built yet");
}

} // namespace quillon
