// Single-scan files decoded a band at a time: the library decodes the
// entropy-coded data and hands each block's quantised coefficients straight
// to our IDCT, so no store of the whole image's coefficients is needed. The
// samples land in a window of three iMCU rows per component.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

#include <jpeglib.h>

#include "jpeg_component_planes.h"
#include "platform/thread_budget.h"

namespace quillon {

class TRawSampleReader {
    struct TPendingBlock {
        JCOEF Coef[DCTSIZE2];
        uint8_t* Out;
    };

  public:
    // Call after jpeg_start_decompress with raw_data_out set; the object
    // must stay in place while the library decodes. With a thread in Ahead,
    // that thread entropy-decodes up to a few iMCU rows ahead of the rows
    // asked for, so that the IDCT, upsampling and colour conversion run on
    // the caller's core beside it; the samples are the same.
    TRawSampleReader(jpeg_decompress_struct& Info, TThreadToken Ahead);
    ~TRawSampleReader();
    TRawSampleReader(const TRawSampleReader&) = delete;
    TRawSampleReader& operator=(const TRawSampleReader&) = delete;

    // Sample row R of a component, reading on as far as needed; rows up to
    // one iMCU row back stay available. Raises what the decoding raised
    // once it reaches the iMCU row where that happened.
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
        // Decoding ahead, the IDCT is left to the reading thread: the
        // blocks of each slot wait here with their destinations.
        std::vector<std::vector<TPendingBlock>> Pending; // one list a slot
        std::vector<int> PendingFor;                     // the iMCU row each list holds
    };

    static void InverseDct(j_decompress_ptr Info, jpeg_component_info* Component, JCOEFPTR Coef,
                           JSAMPARRAY Out, JDIMENSION Column);
    void ReadNext();
    bool AllRead() const { return FInfo.output_scanline >= FInfo.output_height; }
    void DecodeAhead();
    void WaitFor(int IMcu);
    void FinishDeferred(int Component, int IMcu);

    jpeg_decompress_struct& FInfo;
    std::vector<TComponent> FComponents;
    int FSlots = 3;
    int FRead = 0; // iMCU rows read so far (by the decoding thread, with Ahead)

    // With Ahead: what the two threads share, under FLock.
    bool FAhead = false;
    std::mutex FLock;
    std::condition_variable FChanged;
    int FProduced = 0;     // iMCU rows complete
    int FLowestNeeded = 0; // the oldest iMCU row the caller may still read
    bool FFinished = false;
    bool FStop = false;
    std::exception_ptr FError;
    std::optional<THelperThread> FWorker;
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
