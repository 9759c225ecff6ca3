#include "jpeg_render.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "jpeg_codec_errors.h"
#include "jpeg_color.h"
#include "jpeg_decoder.h"
#include "jpeg_grey_quantizer.h"

namespace quillon {

namespace {

// Turns decoded rows into the rows the signature covers, one at a time, top
// first: grey through the 236-level palette with error diffusion, as the
// reference decoder outputs them, as level values g, g, g; CMYK to blue,
// green, red.
class TRowFinisher {
  public:
    explicit TRowFinisher(const TDecodedSamples& S)
        : FChannels(S.Channels), FWidth(static_cast<size_t>(S.Width)), FAdobe(S.AdobeMarker) {
        if (FChannels == 1) {
            FQuantizer.emplace(S.Width);
            FSamples.resize(FWidth);
            FIndices.resize(FWidth);
        } else if (FChannels != 3 && FChannels != 4) {
            // Two-component (and other unusual) files have no colour meaning
            // to put into blue, green, red rows.
            throw EJpegError(JpegConversionNotImplemented);
        }
    }

    void Finish(uint8_t* Row) {
        if (FChannels == 4) {
            CmykToBgrRow(Row, static_cast<int32_t>(FWidth), FAdobe, Row);
        } else if (FChannels == 1) {
            FSamples.assign(Row, Row + FWidth);
            FQuantizer->QuantizeRow(FSamples.data(), FIndices.data());
            for (size_t X = 0; X < FWidth; ++X) {
                const uint8_t G = TGreyQuantizer::Level(FIndices[X]);
                Row[3 * X] = Row[3 * X + 1] = Row[3 * X + 2] = G;
            }
        }
    }

  private:
    int FChannels;
    size_t FWidth;
    bool FAdobe;
    std::optional<TGreyQuantizer> FQuantizer;
    std::vector<uint8_t> FSamples, FIndices;
};

} // namespace

TRenderedImage RenderJpeg(const TJpegInput& Input, const TJpegDecodeContext& Context) {
    TDecodedSamples S = DecodeJpegSamples(Input, 3, Context);
    TRowFinisher Finisher(S);
    if (S.Channels != 3)
        for (int32_t Y = 0; Y < S.Height; ++Y)
            Finisher.Finish(S.Row(Y));
    TRenderedImage Image;
    Image.Width = S.Width;
    Image.Height = S.Height;
    Image.Stride = S.Stride;
    Image.StoredRgbOrder = S.Kind == TJpegColorKind::RGB;
    Image.Pixels = std::move(S.Pixels);
    return Image;
}

void RenderJpegRows(const TJpegInput& Input, const TRowSink& Sink,
                    const TJpegDecodeContext& Context) {
    std::optional<TRowFinisher> Finisher;
    DecodeJpegBands(
        Input, 3,
        [&](TDecodedSamples& Band, int32_t, int32_t Count) {
            if (!Finisher)
                Finisher.emplace(Band);
            for (int32_t I = 0; I < Count; ++I) {
                Finisher->Finish(Band.Row(I));
                Sink(Band.Row(I), Band.Width);
            }
        },
        Context);
}

TRenderedImage RenderJpegFile(const std::string& Path) {
    return RenderJpeg(TJpegInput::File(Path), {});
}

TRenderedImage RenderJpegMemory(const uint8_t* Data, size_t Size) {
    return RenderJpeg(TJpegInput::Memory(Data, Size), {});
}

void RenderJpegFileRows(const std::string& Path, const TRowSink& Sink) {
    RenderJpegRows(TJpegInput::File(Path), Sink, {});
}

void RenderJpegMemoryRows(const uint8_t* Data, size_t Size, const TRowSink& Sink) {
    RenderJpegRows(TJpegInput::Memory(Data, Size), Sink, {});
}

} // namespace quillon
