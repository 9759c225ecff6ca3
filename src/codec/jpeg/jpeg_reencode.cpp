#include "jpeg_reencode.h"

#include "platform/files.h"
#include "platform/pending_file.h"

namespace quillon {

TEncodedJpeg ReencodeJpegFile(const std::string& SrcPath) {
    const TRenderedImage Image = RenderJpegFile(SrcPath);
    return EncodeJpegQuality100(Image);
}

void ReencodeJpeg(const std::string& SrcPath, const std::string& DstPath) {
    if (!FileExists(SrcPath))
        return;
    const TEncodedJpeg Encoded = ReencodeJpegFile(SrcPath);
    TPendingFile Out(DstPath);
    Out.Stream().Write(Encoded.Data.get(), Encoded.Size);
    Out.Commit();
}

} // namespace quillon
