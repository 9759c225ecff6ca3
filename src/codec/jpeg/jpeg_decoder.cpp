#include "jpeg_decoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <vector>

#include "jpeg_codec_errors.h"
#include "jpeg_color.h"
#include "jpeg_component_planes.h"
#include "jpeg_decompressor.h"
#include "jpeg_idct.h"
#include "jpeg_input.h"
#include "jpeg_limits.h"
#include "jpeg_raw_reader.h"
#include "jpeg_scan_survey.h"
#include "jpeg_stream_checks.h"
#include "platform/process_memory.h"
#include "platform/thread_budget.h"

namespace quillon {

namespace {

int ChannelsOf(TJpegColorKind Kind, int Components) {
    switch (Kind) {
    case TJpegColorKind::Grey:
        return 1;
    case TJpegColorKind::YCbCr:
    case TJpegColorKind::RGB:
        return 3;
    case TJpegColorKind::CMYK:
    case TJpegColorKind::YCCK:
        return 4;
    case TJpegColorKind::Unknown:
        break;
    }
    return Components;
}

// The component's coefficient rows as one block of memory: the library's
// own when its rows lie back to back, else a copy.
void GatherCoefficients(jpeg_decompress_struct& Info, jvirt_barray_ptr Array,
                        const jpeg_component_info& Comp, TComponentPlan& Plan) {
    const int Rows = static_cast<int>(Comp.height_in_blocks);
    const int Cols = static_cast<int>(Comp.width_in_blocks);
    std::vector<JBLOCKROW> RowPointers(static_cast<size_t>(Rows));
    const j_common_ptr Common = reinterpret_cast<j_common_ptr>(&Info);
    for (int R = 0; R < Rows; R += Comp.v_samp_factor) {
        JBLOCKARRAY Chunk =
            Info.mem->access_virt_barray(Common, Array, static_cast<JDIMENSION>(R),
                                         static_cast<JDIMENSION>(Comp.v_samp_factor), FALSE);
        for (int K = 0; K < Comp.v_samp_factor && R + K < Rows; ++K)
            RowPointers[static_cast<size_t>(R + K)] = Chunk[K];
    }
    bool Contiguous = true;
    const ptrdiff_t Stride = Rows > 1 ? RowPointers[1] - RowPointers[0] : Cols;
    if (Stride < Cols)
        Contiguous = false;
    for (int R = 1; Contiguous && R < Rows; ++R)
        Contiguous = RowPointers[static_cast<size_t>(R)] == RowPointers[0] + R * Stride;
    TComponentCoefficients& C = Plan.Coefficients;
    C.WidthInBlocks = Cols;
    C.HeightInBlocks = Rows;
    if (Contiguous) {
        C.Blocks = RowPointers[0][0];
        C.BlocksPerRow = static_cast<size_t>(Stride);
        return;
    }
    Plan.OwnedBlocks.resize(static_cast<size_t>(Rows) * Cols * DCTSIZE2);
    for (int R = 0; R < Rows; ++R)
        std::memcpy(Plan.OwnedBlocks.data() + static_cast<size_t>(R) * Cols * DCTSIZE2,
                    RowPointers[static_cast<size_t>(R)], sizeof(JBLOCK) * Cols);
    C.Blocks = Plan.OwnedBlocks.data();
    C.BlocksPerRow = static_cast<size_t>(Cols);
}

// Each component's size within the image and its upsampling.
std::vector<TComponentPlan> MakePlans(const jpeg_decompress_struct& Info) {
    std::vector<TComponentPlan> Plans(static_cast<size_t>(Info.num_components));
    for (int Ci = 0; Ci < Info.num_components; ++Ci) {
        const jpeg_component_info& Comp = Info.comp_info[Ci];
        TComponentPlan& P = Plans[static_cast<size_t>(Ci)];
        const int64_t W = Info.image_width, H = Info.image_height;
        P.Width = static_cast<int>((W * Comp.h_samp_factor + Info.max_h_samp_factor - 1) /
                                   Info.max_h_samp_factor);
        P.Height = static_cast<int>((H * Comp.v_samp_factor + Info.max_v_samp_factor - 1) /
                                    Info.max_v_samp_factor);
        P.HRatio = Info.max_h_samp_factor / Comp.h_samp_factor;
        P.VRatio = Info.max_v_samp_factor / Comp.v_samp_factor;
        P.Method = ChooseUpsampleMethod(P.HRatio, P.VRatio, P.Width);
    }
    return Plans;
}

// The coefficients, latched tables and smoothing of a fully read file.
void AttachCoefficients(jpeg_decompress_struct& Info, jvirt_barray_ptr* Arrays,
                        std::vector<TComponentPlan>& Plans) {
    const bool Smooth = BlockSmoothingApplies(Info);
    for (int Ci = 0; Ci < Info.num_components; ++Ci) {
        const jpeg_component_info& Comp = Info.comp_info[Ci];
        TComponentPlan& P = Plans[static_cast<size_t>(Ci)];
        GatherCoefficients(Info, Arrays[Ci], Comp, P);
        const UINT16* Quant = Comp.quant_table ? Comp.quant_table->quantval : nullptr;
        P.Coefficients.Quant = Quant;
        for (int K = 0; K < 6; ++K)
            P.Coefficients.CoefBits[K] = Info.coef_bits ? Info.coef_bits[Ci][K] : 0;
        MakeDequantTable(Quant, P.Multipliers);
        P.Smooth = Smooth;
    }
}

// Rows First..Last-1 of the image into Out, whose row 0 is image row RowOffset.
void ConvertRows(std::vector<TComponentRows>& Rows, TJpegColorKind Kind, TDecodedSamples& Out,
                 int First, int Last, int RowOffset = 0) {
    std::vector<const uint8_t*> Planes(Rows.size());
    for (int Y = First; Y < Last; ++Y) {
        for (size_t C = 0; C < Rows.size(); ++C)
            Planes[C] = Rows[C].OutputRow(Y);
        uint8_t* Dest = Out.Row(Y - RowOffset);
        switch (Kind) {
        case TJpegColorKind::YCbCr:
            YCbCrToBgrRow(Planes[0], Planes[1], Planes[2], Out.Width, Dest);
            break;
        case TJpegColorKind::YCCK:
            YcckToCmykRow(Planes[0], Planes[1], Planes[2], Planes[3], Out.Width, Dest);
            break;
        default:
            InterleaveRow(Planes.data(), Out.Channels, Out.Width, Dest);
            break;
        }
    }
}

// Rows First..Last-1 from the coefficients into Out, whose row 0 is image
// row RowOffset. With a Sink, Out holds one band of RowsPerBand rows, handed
// over as each fills.
void RenderCoefficientRows(const std::vector<TComponentPlan>& Plans, TJpegColorKind Kind,
                           TDecodedSamples& Out, int First, int Last, int RowOffset = 0,
                           const TBandSink* Sink = nullptr, int RowsPerBand = 0) {
    std::vector<TCoefficientRows> Sources;
    Sources.reserve(Plans.size());
    for (const TComponentPlan& P : Plans)
        Sources.emplace_back(P);
    std::vector<TComponentRows> Rows;
    Rows.reserve(Plans.size());
    for (size_t C = 0; C < Plans.size(); ++C)
        Rows.emplace_back(Plans[C], Sources[C], Out.Width);
    if (Sink == nullptr) {
        ConvertRows(Rows, Kind, Out, First, Last, RowOffset);
        return;
    }
    for (int Band = First; Band < Last; Band += RowsPerBand) {
        const int End = std::min(Last, Band + RowsPerBand);
        ConvertRows(Rows, Kind, Out, Band, End, Band);
        (*Sink)(Out, Band, End - Band);
    }
}

// Whether a second thread would pay for itself on an image this large.
bool WorthTwoHalves(const TDecodedSamples& Image) {
    const int64_t Pixels = static_cast<int64_t>(Image.Width) * Image.Height;
    return Pixels >= (1 << 16) && Image.Height >= 32;
}

// Runs Bottom on Helper's thread while Top runs here; the first error wins.
template <class TTop> void RunBesideHelper(TTop&& Top, THelperThread& Helper) {
    try {
        Top();
    } catch (...) {
        try {
            Helper.Join();
        } catch (...) {
        }
        throw;
    }
    Helper.Join();
}

// Two halves, each with its own sample window, where the budget has a
// thread for the second; the rows around the cut are decoded by both,
// which costs two block rows and keeps them apart. Otherwise one pass.
void RenderAllCoefficientRows(const std::vector<TComponentPlan>& Plans, TJpegColorKind Kind,
                              TDecodedSamples& Out, TThreadBudget& Threads) {
    const int Cut = Out.Height / 2;
    TThreadToken Token;
    if (WorthTwoHalves(Out))
        Token = TThreadToken::TryTake(Threads);
    if (!Token) {
        RenderCoefficientRows(Plans, Kind, Out, 0, Out.Height);
        return;
    }
    THelperThread Bottom(std::move(Token),
                         [&] { RenderCoefficientRows(Plans, Kind, Out, Cut, Out.Height); });
    RunBesideHelper([&] { RenderCoefficientRows(Plans, Kind, Out, 0, Cut); }, Bottom);
}

// What decoding Info holds at its peak on its route: the rows it keeps
// (RowsHeld of them), the sample windows of every component, and for the
// whole-image route the coefficients (twice when the library had to split
// a component's array, which it does above about 1 GB, and ours gathers
// them into one block). The file itself is read in pieces, never held.
uint64_t DecodeMemoryNeed(const jpeg_decompress_struct& Info, int Channels, int MinBytesPerPixel,
                          bool WholeImage, uint64_t RowsHeld) {
    constexpr uint64_t LibraryChunk = 1'000'000'000;
    // The reader's window (up to eight iMCU rows ahead) and the smoothing
    // and upsampling windows behind it.
    constexpr uint64_t WindowIMcuRows = 12;
    uint64_t Need =
        RowsHeld * Info.image_width * static_cast<uint64_t>(std::max(Channels, MinBytesPerPixel));
    for (int Ci = 0; Ci < Info.num_components; ++Ci) {
        const jpeg_component_info& Comp = Info.comp_info[Ci];
        const auto RoundUp = [](uint64_t N, int Step) {
            return (N + static_cast<uint64_t>(Step) - 1) / static_cast<uint64_t>(Step) *
                   static_cast<uint64_t>(Step);
        };
        const uint64_t Cols = RoundUp(Comp.width_in_blocks, Comp.h_samp_factor);
        const uint64_t Rows = RoundUp(Comp.height_in_blocks, Comp.v_samp_factor);
        Need +=
            Cols * DCTSIZE * static_cast<uint64_t>(Comp.v_samp_factor) * DCTSIZE * WindowIMcuRows;
        if (WholeImage) {
            const uint64_t Blocks = Cols * Rows * sizeof(JBLOCK);
            Need += Blocks >= LibraryChunk ? 2 * Blocks : Blocks;
        }
    }
    return Need;
}

// Room for Rows rows (the whole image unless given).
TDecodedSamples AllocateSamples(const jpeg_decompress_struct& Info, TJpegColorKind Kind,
                                int MinBytesPerPixel, int Rows = -1) {
    TDecodedSamples Out;
    Out.Width = static_cast<int32_t>(Info.image_width);
    Out.Height = static_cast<int32_t>(Info.image_height);
    Out.Kind = Kind;
    Out.AdobeMarker = Info.saw_Adobe_marker;
    Out.Channels = ChannelsOf(Kind, Info.num_components);
    Out.Stride = static_cast<size_t>(Out.Width) * std::max(Out.Channels, MinBytesPerPixel);
    const size_t Bytes = Out.Stride * static_cast<size_t>(Rows < 0 ? Out.Height : Rows);
    Out.Pixels.reset(new uint8_t[Bytes]);
    AdviseHugePages(Out.Pixels.get(), Bytes);
    return Out;
}

// Rows a band holds when they are handed over as they are made: one row of
// MCUs, what the library decodes at a time.
int BandRows(const jpeg_decompress_struct& Info) {
    return Info.max_v_samp_factor * DCTSIZE;
}

// A single-scan file: decoded band by band as the rows are produced, into
// the whole image, or (with a Sink) into one band handed over as it fills.
TDecodedSamples DecodeSingleScan(jpeg_decompress_struct& Info, TJpegColorKind Kind,
                                 int MinBytesPerPixel, const TJpegDecodeContext& Context,
                                 const TBandSink* Sink = nullptr) {
    Info.raw_data_out = TRUE;
    Info.do_fancy_upsampling = FALSE;
    Info.dct_method = JDCT_ISLOW; // replaced by ours block by block
    jpeg_start_decompress(&Info);
    const int Height = static_cast<int>(Info.image_height);
    const int Band = Sink ? BandRows(Info) : Height;
    TDecodedSamples Out = AllocateSamples(Info, Kind, MinBytesPerPixel, Band);
    const std::vector<TComponentPlan> Plans = MakePlans(Info);
    // Entropy decoding runs a few iMCU rows ahead on a second thread when
    // the budget has one free and there are enough rows to make it worth it.
    TThreadToken Ahead;
    if (Context.DecodeAheadAlways ||
        static_cast<int64_t>(Info.image_width) * Info.image_height >= (1 << 18))
        Ahead = TThreadToken::TryTake(ThreadsOf(Context));
    TRawSampleReader Reader(Info, std::move(Ahead));
    std::vector<TRawRows> Sources;
    Sources.reserve(Plans.size());
    for (size_t C = 0; C < Plans.size(); ++C)
        Sources.emplace_back(Reader, static_cast<int>(C));
    std::vector<TComponentRows> Rows;
    Rows.reserve(Plans.size());
    for (size_t C = 0; C < Plans.size(); ++C)
        Rows.emplace_back(Plans[C], Sources[C], Out.Width);
    for (int First = 0; First < Height; First += Band) {
        const int Last = std::min(Height, First + Band);
        ConvertRows(Rows, Kind, Out, First, Last, Sink ? First : 0);
        if (Sink)
            (*Sink)(Out, First, Last - First);
    }
    Reader.ReadRemaining();
    jpeg_finish_decompress(&Info);
    return Out;
}

// The library absorbs every scan; the plans then hold the coefficients.
std::vector<TComponentPlan> ReadAllCoefficients(jpeg_decompress_struct& Info, TScanBudget& Budget) {
    jvirt_barray_ptr* Arrays;
    {
        TScanTableGuard Guard(Info, &Budget);
        Arrays = jpeg_read_coefficients(&Info);
    }
    std::vector<TComponentPlan> Plans = MakePlans(Info);
    AttachCoefficients(Info, Arrays, Plans);
    return Plans;
}

// Several scans: the library absorbs them all, then the coefficients are ours.
TDecodedSamples DecodeMultiScan(jpeg_decompress_struct& Info, TJpegColorKind Kind,
                                int MinBytesPerPixel, TScanBudget& Budget, TThreadBudget& Threads) {
    const std::vector<TComponentPlan> Plans = ReadAllCoefficients(Info, Budget);
    TDecodedSamples Out = AllocateSamples(Info, Kind, MinBytesPerPixel);
    RenderAllCoefficientRows(Plans, Kind, Out, Threads);
    jpeg_finish_decompress(&Info);
    return Out;
}

// The same, handed over in bands: with a second thread, the top half
// streams out as it is made while the bottom half waits in a buffer of its
// own, so at most half the rows are held (Halves: the memory allows it);
// otherwise every row streams out of one pass.
void StreamMultiScan(jpeg_decompress_struct& Info, TJpegColorKind Kind, int MinBytesPerPixel,
                     bool Halves, TScanBudget& Budget, TThreadBudget& Threads,
                     const TBandSink& Sink) {
    const std::vector<TComponentPlan> Plans = ReadAllCoefficients(Info, Budget);
    const int Height = static_cast<int>(Info.image_height);
    const int Band = BandRows(Info);
    TDecodedSamples Top = AllocateSamples(Info, Kind, MinBytesPerPixel, Band);
    TThreadToken Token;
    if (Halves && WorthTwoHalves(Top))
        Token = TThreadToken::TryTake(Threads);
    if (!Token) {
        RenderCoefficientRows(Plans, Kind, Top, 0, Height, 0, &Sink, Band);
    } else {
        const int Cut = Height / 2;
        TDecodedSamples Bottom = AllocateSamples(Info, Kind, MinBytesPerPixel, Height - Cut);
        THelperThread Lower(std::move(Token),
                            [&] { RenderCoefficientRows(Plans, Kind, Bottom, Cut, Height, Cut); });
        RunBesideHelper([&] { RenderCoefficientRows(Plans, Kind, Top, 0, Cut, 0, &Sink, Band); },
                        Lower);
        Sink(Bottom, Cut, Height - Cut);
    }
    jpeg_finish_decompress(&Info);
}

// The decoder with its headers read, and what the file asks for checked
// against the limits before anything of the image is allocated.
struct TStartedDecode {
    std::unique_ptr<TPieceReader> Reader;
    TJpegDecompressor Decompressor;
    TJpegLimits Limits;
    TJpegColorKind Kind = TJpegColorKind::Unknown;
    bool WholeImage = false; // through the coefficients of the whole image
    bool RowsInBands = false;
    bool Halves = false; // a multi-scan file's bottom half rendered beside the top
    TScanBudget Budget;

    TStartedDecode(const TJpegInput& Input, const TJpegDecodeContext& Context, int MinBytesPerPixel,
                   bool WantBands)
        : Reader(Input.Open(Context.Meter)), Decompressor(*Reader), Limits(Context.Limits) {
        jpeg_decompress_struct& Info = Decompressor.Info();
        jpeg_read_header(&Info, TRUE);
        Kind = ClassifyJpegColor(Info);
        CheckJpegDecodable(Info);
        const bool MultiScan = jpeg_has_multiple_scans(&Info);
        WholeImage = MultiScan || Context.WholeImageAlways;
        const int Channels = ChannelsOf(Kind, Info.num_components);
        // Rows without a colour meaning fail only once the whole image is
        // decoded, as always; so they are not handed over in bands.
        RowsInBands = WantBands && (Channels == 1 || Channels == 3 || Channels == 4);
        CheckWork(Input, MultiScan);
        CheckMemory(Channels, MinBytesPerPixel);
        // The library's own pools stay under the same limit, where its field
        // can hold it (a long is 32 bits on Windows).
        if (const uint64_t Limit = MemoryLimitOf(Limits); Limit <= static_cast<uint64_t>(LONG_MAX))
            Info.mem->max_memory_to_use = static_cast<long>(Limit);
    }

  private:
    // Pixels, then the frame against the file's size, then (for several
    // scans) what the scans will cost, from a survey of the markers.
    void CheckWork(const TJpegInput& Input, bool MultiScan) {
        jpeg_decompress_struct& Info = Decompressor.Info();
        const uint64_t FileBytes = Reader->Size();
        const uint64_t Output = FrameComponentPixels(Info);
        CheckFramePixels(Limits, Info.image_width, Info.image_height, Output, FileBytes);
        Budget = {&Limits, FileBytes, Output, 0};
        if (!MultiScan)
            return;
        const std::unique_ptr<TPieceReader> Again = Input.Open();
        const TScanSurvey Survey = SurveyScans(*Again, Info, Limits.MaxScans);
        CheckScanCount(Limits, Survey.Scans);
        CheckDecodeWork(Limits, Info.image_width, Info.image_height, Survey.Scans,
                        Output + Survey.Work, FileBytes);
    }

    // The rows the route holds: a band, or every row; a multi-scan file
    // streamed in two halves holds its bottom half too, and goes in one
    // pass instead when that would not fit.
    void CheckMemory(int Channels, int MinBytesPerPixel) {
        jpeg_decompress_struct& Info = Decompressor.Info();
        const uint64_t Height = Info.image_height;
        const uint64_t Band = static_cast<uint64_t>(BandRows(Info));
        const auto Need = [&](uint64_t Rows) {
            return DecodeMemoryNeed(Info, Channels, MinBytesPerPixel, WholeImage, Rows);
        };
        uint64_t Rows = Height;
        if (RowsInBands && !WholeImage) {
            Rows = Band;
        } else if (RowsInBands) {
            Halves = Need(Band + Height - Height / 2) <= MemoryLimitOf(Limits);
            Rows = Halves ? Band + Height - Height / 2 : Band;
        }
        CheckImageMemory(Limits, Info.image_width, Info.image_height, Need(Rows));
    }
};

} // namespace

TDecodedSamples DecodeJpegSamples(const TJpegInput& Input, int MinBytesPerPixel,
                                  const TJpegDecodeContext& Context) {
    const TThreadSeat Seat(ThreadsOf(Context));
    TStartedDecode D(Input, Context, MinBytesPerPixel, false);
    jpeg_decompress_struct& Info = D.Decompressor.Info();
    if (D.WholeImage)
        return DecodeMultiScan(Info, D.Kind, MinBytesPerPixel, D.Budget, ThreadsOf(Context));
    return DecodeSingleScan(Info, D.Kind, MinBytesPerPixel, Context);
}

TDecodedSamples DecodeJpegSamples(const uint8_t* Data, size_t Size, int MinBytesPerPixel) {
    return DecodeJpegSamples(TJpegInput::Memory(Data, Size), MinBytesPerPixel, {});
}

void DecodeJpegBands(const TJpegInput& Input, int MinBytesPerPixel, const TBandSink& Sink,
                     const TJpegDecodeContext& Context) {
    const TThreadSeat Seat(ThreadsOf(Context));
    TStartedDecode D(Input, Context, MinBytesPerPixel, true);
    jpeg_decompress_struct& Info = D.Decompressor.Info();
    if (D.RowsInBands) {
        if (D.WholeImage)
            StreamMultiScan(Info, D.Kind, MinBytesPerPixel, D.Halves, D.Budget, ThreadsOf(Context),
                            Sink);
        else
            DecodeSingleScan(Info, D.Kind, MinBytesPerPixel, Context, &Sink);
        return;
    }
    TDecodedSamples Whole =
        D.WholeImage ? DecodeMultiScan(Info, D.Kind, MinBytesPerPixel, D.Budget, ThreadsOf(Context))
                     : DecodeSingleScan(Info, D.Kind, MinBytesPerPixel, Context);
    Sink(Whole, 0, Whole.Height);
}

} // namespace quillon
