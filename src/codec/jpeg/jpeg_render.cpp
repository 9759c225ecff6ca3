#include "jpeg_render.h"

#include <vector>

#include "jpeg_codec_errors.h"
#include "jpeg_color.h"
#include "jpeg_decoder.h"
#include "jpeg_grey_quantizer.h"
#include "jpeg_memory_limit.h"
#include "platform/byte_meter.h"
#include "platform/file_stream.h"

namespace quillon {

namespace {

// Grey files go through the 236-level palette with error diffusion, as the
// reference decoder outputs them, and come out as level values g, g, g.
void ExpandGreyRows(TDecodedSamples& S) {
    TGreyQuantizer Quantizer(S.Width);
    const size_t W = static_cast<size_t>(S.Width);
    std::vector<uint8_t> Samples(W), Indices(W);
    for (int32_t Y = 0; Y < S.Height; ++Y) {
        uint8_t* Row = S.Row(Y);
        Samples.assign(Row, Row + W);
        Quantizer.QuantizeRow(Samples.data(), Indices.data());
        for (size_t X = 0; X < W; ++X) {
            const uint8_t G = TGreyQuantizer::Level(Indices[X]);
            Row[3 * X] = Row[3 * X + 1] = Row[3 * X + 2] = G;
        }
    }
}

} // namespace

TRenderedImage RenderJpegFile(const std::string& Path) {
    std::vector<uint8_t> Data;
    {
        TFileStream File(Path, TFileMode::OpenRead);
        CheckFileMemory(static_cast<uint64_t>(File.Size()));
        Data.resize(static_cast<size_t>(File.Size()));
        Data.resize(File.Read(Data.data(), Data.size()));
        ReportBytes(Data.size());
    }
    return RenderJpegMemory(Data.data(), Data.size());
}

TRenderedImage RenderJpegMemory(const uint8_t* Data, size_t Size) {
    TDecodedSamples S = DecodeJpegSamples(Data, Size, 3);
    switch (S.Channels) {
    case 3:
        break;
    case 1:
        ExpandGreyRows(S);
        break;
    case 4:
        for (int32_t Y = 0; Y < S.Height; ++Y)
            CmykToBgrRow(S.Row(Y), S.Width, S.AdobeMarker, S.Row(Y));
        break;
    default:
        // Two-component (and other unusual) files have no colour meaning to
        // put into blue, green, red rows.
        throw EJpegError(JpegConversionNotImplemented);
    }
    TRenderedImage Image;
    Image.Width = S.Width;
    Image.Height = S.Height;
    Image.Stride = S.Stride;
    Image.StoredRgbOrder = S.Kind == TJpegColorKind::RGB;
    Image.Pixels = std::move(S.Pixels);
    return Image;
}

} // namespace quillon
