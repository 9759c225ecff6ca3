// Arbitrary bytes through the JPEG renderer: it must either render or raise
// one of its own errors, never read or write out of bounds.
#include "codec/jpeg/jpeg_limits.h"
#include "codec/jpeg/jpeg_render.h"

#include <cstddef>
#include <cstdint>
#include <new>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    // Images a fuzzer goes through in a second: under the sanitizers the
    // decoder runs about ten times slower, so a quarter of the usual work
    // per byte.
    quillon::TJpegDecodeContext Context;
    Context.Limits.MaxMemory = 32'000'000;
    Context.Limits.MaxWorkPerByte /= 4;
    try {
        const quillon::TRenderedImage Image =
            quillon::RenderJpeg(quillon::TJpegInput::Memory(Data, Size), Context);
        if (Image.Width < 1 || Image.Height < 1 ||
            Image.Stride < 3 * static_cast<size_t>(Image.Width)) {
            __builtin_trap();
        }
        // Touch every pixel so a short store shows up under AddressSanitizer.
        uint32_t Sum = 0;
        for (int32_t Y = 0; Y < Image.Height; ++Y) {
            const uint8_t* Row = Image.Row(Y);
            for (size_t X = 0; X < 3 * static_cast<size_t>(Image.Width); ++X) {
                Sum += Row[X];
            }
        }
        volatile uint32_t Sink = Sum;
        (void)Sink;
    } catch (const quillon::EJpegError&) {
    } catch (const quillon::EJpegLimit&) {
    }
    return 0;
}
