#include "jpeg_reencode.h"

#include "jpeg_encode.h"
#include "platform/file_stream.h"
#include "platform/files.h"

namespace quillon {

void ReencodeJpeg(const std::string& SrcPath, const std::string& DstPath,
                  const TJpegDecodeContext& Context) {
    if (!FileExists(SrcPath))
        return;
    TEncodedJpeg Encoded;
    {
        // The source is read whole before the destination is created, so
        // both paths may name the same file.
        const TRenderedImage Image = RenderJpeg(TJpegInput::File(SrcPath), Context);
        Encoded = EncodeJpegQuality100(Image);
    }
    TFileStream Out(DstPath, TFileMode::Create);
    Out.Write(Encoded.Data.get(), Encoded.Size);
    Out.Close();
}

} // namespace quillon
