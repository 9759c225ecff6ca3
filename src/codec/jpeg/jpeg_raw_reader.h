// Single-scan files decoded a band at a time: the library decodes the
// entropy-coded data and hands each block's quantised coefficients straight
// to our IDCT, so no store of the whole image's coefficients is needed. The
// samples land in a window of three iMCU rows per component.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "jpeg_component_planes.h"

namespace quillon {

class TRawSampleReader {
  public:
    // Call after jpeg_start_decompress with raw_data_out set; the object
    // must stay in place while the library decodes.
    explicit TRawSampleReader(jpeg_decompress_struct& Info);
    TRawSampleReader(const TRawSampleReader&) = delete;
    TRawSampleReader& operator=(const TRawSampleReader&) = delete;

    // Sample row R of a component, reading on as far as needed; rows up to
    // one iMCU row back stay available.
    const uint8_t* Row(int Component, int R);
    // Reads the rest of the image so that the library can finish.
    void ReadRemaining();

  private:
    struct TComponent {
        int RowsPerIMcu = 8;
        size_t RowBytes = 0;
        std::vector<uint8_t> Window; // three iMCU rows
        std::vector<JSAMPROW> Pointers;
        float Multipliers[64] = {};
        bool HaveMultipliers = false;
    };

    static void InverseDct(j_decompress_ptr Info, jpeg_component_info* Component, JCOEFPTR Coef,
                           JSAMPARRAY Out, JDIMENSION Column);
    void ReadNext();

    jpeg_decompress_struct& FInfo;
    std::vector<TComponent> FComponents;
    int FRead = 0; // iMCU rows read so far
};

// One component's rows from the reader.
class TRawRows final : public TSampleRowSource {
  public:
    TRawRows(TRawSampleReader& Reader, int Component) : FReader(Reader), FComponent(Component) {}
    const uint8_t* SampleRow(int R) override { return FReader.Row(FComponent, R); }

  private:
    TRawSampleReader& FReader;
    int FComponent;
};

} // namespace quillon
