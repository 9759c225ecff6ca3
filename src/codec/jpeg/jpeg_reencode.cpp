#include "jpeg_reencode.h"

#include "jpeg_render.h"
#include "platform/files.h"
#include "platform/pending_file.h"

namespace quillon {

TEncodedJpeg ReencodeJpegFile(const std::string& SrcPath, const TJpegDecodeContext& Context) {
    const TRenderedImage Image = RenderJpeg(TJpegInput::File(SrcPath), Context);
    return EncodeJpegQuality100(Image);
}

void ReencodeJpeg(const std::string& SrcPath, const std::string& DstPath,
                  const TJpegDecodeContext& Context) {
    if (!FileExists(SrcPath))
        return;
    const TEncodedJpeg Encoded = ReencodeJpegFile(SrcPath, Context);
    TPendingFile Out(DstPath);
    Out.Stream().Write(Encoded.Data.get(), Encoded.Size);
    Out.Commit();
}

} // namespace quillon
