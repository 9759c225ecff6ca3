#include "jpeg_stream_checks.h"

#include <cstring>

#include "jpeg_codec_errors.h"
#include "jpeg_scan_survey.h"

namespace quillon {

namespace {

// A table slot nobody defined gets a placeholder whose unused count byte
// bits[0] carries this mark; a real DHT always writes 0 there. The library
// then keeps the placeholder instead of substituting its default tables.
constexpr UINT8 UndefinedTableMark = 0xA5;

bool TableUsable(const JHUFF_TBL* Table) {
    return Table != nullptr && Table->bits[0] != UndefinedTableMark;
}

void CheckCurrentScanTables(jpeg_decompress_struct& Info) {
    for (int I = 0; I < Info.comps_in_scan; ++I) {
        const jpeg_component_info* C = Info.cur_comp_info[I];
        bool NeedDc, NeedAc;
        if (Info.progressive_mode) {
            NeedDc = Info.Ss == 0 && Info.Ah == 0;
            NeedAc = Info.Ss != 0;
        } else {
            NeedDc = NeedAc = true;
        }
        const j_common_ptr Common = reinterpret_cast<j_common_ptr>(&Info);
        if (NeedDc && (C->dc_tbl_no < 0 || C->dc_tbl_no >= NUM_HUFF_TBLS ||
                       !TableUsable(Info.dc_huff_tbl_ptrs[C->dc_tbl_no])))
            RaiseJpegError(Common, JpegHuffmanTableMissing);
        if (NeedAc && (C->ac_tbl_no < 0 || C->ac_tbl_no >= NUM_HUFF_TBLS ||
                       !TableUsable(Info.ac_huff_tbl_ptrs[C->ac_tbl_no])))
            RaiseJpegError(Common, JpegHuffmanTableMissing);
    }
}

void PlantPlaceholder(jpeg_decompress_struct& Info, JHUFF_TBL*& Slot) {
    if (Slot != nullptr)
        return;
    Slot = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&Info));
    std::memset(Slot->bits, 0, sizeof(Slot->bits));
    std::memset(Slot->huffval, 0, sizeof(Slot->huffval));
    Slot->bits[0] = UndefinedTableMark;
}

} // namespace

TJpegColorKind ClassifyJpegColor(const jpeg_decompress_struct& Info) {
    switch (Info.num_components) {
    case 1:
        return TJpegColorKind::Grey;
    case 3: {
        if (Info.saw_JFIF_marker)
            return TJpegColorKind::YCbCr;
        if (Info.saw_Adobe_marker)
            return Info.Adobe_transform == 0 ? TJpegColorKind::RGB : TJpegColorKind::YCbCr;
        const int Id0 = Info.comp_info[0].component_id;
        const int Id1 = Info.comp_info[1].component_id;
        const int Id2 = Info.comp_info[2].component_id;
        if (Id0 == 82 && Id1 == 71 && Id2 == 66)
            return TJpegColorKind::RGB;
        return TJpegColorKind::YCbCr;
    }
    case 4:
        if (Info.saw_Adobe_marker && Info.Adobe_transform != 0)
            return TJpegColorKind::YCCK;
        return TJpegColorKind::CMYK;
    default:
        return TJpegColorKind::Unknown;
    }
}

void CheckJpegDecodable(jpeg_decompress_struct& Info) {
    const j_common_ptr Common = reinterpret_cast<j_common_ptr>(&Info);
    for (int Ci = 0; Ci < Info.num_components; ++Ci) {
        const jpeg_component_info& C = Info.comp_info[Ci];
        if (Info.max_h_samp_factor % C.h_samp_factor != 0 ||
            Info.max_v_samp_factor % C.v_samp_factor != 0)
            RaiseJpegError(Common, JpegFractionalSampling);
    }
    if (Info.arith_code)
        RaiseJpegError(Common, JpegArithmeticCoding);
    CheckCurrentScanTables(Info);
}

void TScanTableGuard::Monitor(j_common_ptr Common) {
    auto& Self = *reinterpret_cast<TScanTableGuard*>(Common->progress);
    jpeg_decompress_struct& Info = Self.FInfo;
    if (Self.FBudget && Info.input_scan_number != Self.FLastScan) {
        Self.FLastScan = Info.input_scan_number;
        TScanBudget& B = *Self.FBudget;
        CheckScanCount(*B.Limits, ++B.Scans);
        for (int I = 0; I < Info.comps_in_scan; ++I)
            B.Work += ComponentPixels(*Info.cur_comp_info[I]);
        CheckDecodeWork(*B.Limits, Info.image_width, Info.image_height, B.Scans, B.Work,
                        B.FileBytes);
    }
    CheckCurrentScanTables(Info);
}

TScanTableGuard::TScanTableGuard(jpeg_decompress_struct& Info, TScanBudget* Budget)
    : FInfo(Info), FBudget(Budget) {
    for (int I = 0; I < NUM_HUFF_TBLS; ++I) {
        PlantPlaceholder(Info, Info.dc_huff_tbl_ptrs[I]);
        PlantPlaceholder(Info, Info.ac_huff_tbl_ptrs[I]);
    }
    std::memset(&FProgress.Pub, 0, sizeof(FProgress.Pub));
    FProgress.Pub.progress_monitor = Monitor;
    FProgress.Owner = this;
    Info.progress = &FProgress.Pub;
}

TScanTableGuard::~TScanTableGuard() {
    FInfo.progress = nullptr;
}

} // namespace quillon
