#include "jpeg_encode.h"
#include "jpeg_codec_errors.h"

#include <algorithm>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <new>
#include <vector>

#include <jpeglib.h>

namespace quillon {

namespace {

// Appends the stream to one growing block. realloc lets large blocks grow in
// place, so the peak stays near the final size.
struct TMemoryDestination {
    jpeg_destination_mgr Pub{};
    TEncodedJpeg* Out = nullptr;
    size_t Capacity = 0;
    size_t InitialCapacity = 0;

    static TMemoryDestination& Of(j_compress_ptr C) {
        return *reinterpret_cast<TMemoryDestination*>(C->dest);
    }

    void Grow(size_t NewCapacity) {
        void* P = std::realloc(Out->Data.get(), NewCapacity);
        if (P == nullptr)
            throw std::bad_alloc();
        (void)Out->Data.release();
        Out->Data.reset(static_cast<uint8_t*>(P));
        Pub.next_output_byte = Out->Data.get() + Capacity;
        Pub.free_in_buffer = NewCapacity - Capacity;
        Capacity = NewCapacity;
    }

    static void Init(j_compress_ptr C) {
        TMemoryDestination& D = Of(C);
        D.Capacity = 0;
        D.Grow(D.InitialCapacity);
    }
    static boolean Empty(j_compress_ptr C) {
        TMemoryDestination& D = Of(C);
        D.Grow(D.Capacity * 2);
        return TRUE;
    }
    static void Term(j_compress_ptr C) {
        TMemoryDestination& D = Of(C);
        D.Out->Size = D.Capacity - D.Pub.free_in_buffer;
    }
};

// Owns the codec state for one encoding, failures included.
struct TCompressor {
    jpeg_compress_struct Info{};
    jpeg_error_mgr Errors{};
    TCompressor() {
        Info.err = InstallJpegErrorManager(Errors);
        jpeg_create_compress(&Info);
    }
    ~TCompressor() { jpeg_destroy_compress(&Info); }
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;
};

} // namespace

TEncodedJpeg EncodeJpegQuality100(const TRenderedImage& Image) {
    TEncodedJpeg Result;
    TCompressor C;
    jpeg_compress_struct& Info = C.Info;

    TMemoryDestination Dest;
    Dest.Out = &Result;
    // Quality 100 from photographic rows takes around a byte a pixel.
    Dest.InitialCapacity = std::max<size_t>(64 * 1024, static_cast<size_t>(Image.Width) *
                                                           static_cast<size_t>(Image.Height));
    Dest.Pub.init_destination = &TMemoryDestination::Init;
    Dest.Pub.empty_output_buffer = &TMemoryDestination::Empty;
    Dest.Pub.term_destination = &TMemoryDestination::Term;
    Info.dest = &Dest.Pub;

    Info.image_width = static_cast<JDIMENSION>(Image.Width);
    Info.image_height = static_cast<JDIMENSION>(Image.Height);
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    Info.dct_method = JDCT_FLOAT;
    Info.smoothing_factor = 0;
    Info.optimize_coding = FALSE;
    Info.restart_interval = 0;
    Info.restart_in_rows = 0;
    Info.write_JFIF_header = TRUE;
    // Some library versions default to another JFIF version.
    Info.JFIF_major_version = 1;
    Info.JFIF_minor_version = 1;
    Info.density_unit = 0;
    Info.X_density = 1;
    Info.Y_density = 1;
    Info.write_Adobe_marker = FALSE;
    Info.comp_info[0].h_samp_factor = 2;
    Info.comp_info[0].v_samp_factor = 2;
    for (int Ci = 1; Ci < 3; ++Ci) {
        Info.comp_info[Ci].h_samp_factor = 1;
        Info.comp_info[Ci].v_samp_factor = 1;
    }
    jpeg_set_quality(&Info, 100, TRUE);
    jpeg_start_compress(&Info, TRUE);

    // The library reads red, green, blue; the rows hold blue, green, red.
    const size_t RowBytes = static_cast<size_t>(Image.Width) * 3;
    std::vector<JSAMPLE> Row(RowBytes);
    for (int32_t Y = 0; Y < Image.Height; ++Y) {
        const uint8_t* Src = Image.Row(Y);
        for (size_t X = 0; X < RowBytes; X += 3) {
            Row[X] = Src[X + 2];
            Row[X + 1] = Src[X + 1];
            Row[X + 2] = Src[X];
        }
        JSAMPROW Rows[1] = {Row.data()};
        jpeg_write_scanlines(&Info, Rows, 1);
    }
    jpeg_finish_compress(&Info);
    return Result;
}

} // namespace quillon
