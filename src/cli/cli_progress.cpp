#include "cli_progress.h"

#include <cstdio>

namespace quillon::cli {

std::string FormatBytes(uint64_t Bytes) {
    static const char* const Units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    double Value = static_cast<double>(Bytes);
    size_t U = 0;
    while (Value >= 1024 && U + 1 < std::size(Units)) {
        Value /= 1024;
        ++U;
    }
    char Text[32];
    std::snprintf(Text, sizeof Text, U == 0 ? "%.0f %s" : "%.1f %s", Value, Units[U]);
    return Text;
}

TProgressLine::TProgressLine(std::ostream& Err, uint64_t TotalFiles, uint64_t TotalBytes)
    : FErr(Err), FTotalFiles(TotalFiles), FTotalBytes(TotalBytes) {}

TProgressLine::~TProgressLine() {
    Clear();
}

void TProgressLine::Update(uint64_t FilesDone, uint64_t BytesDone) {
    const TClock::time_point Now = TClock::now();
    if (FShown && Now - FLastDraw < std::chrono::milliseconds(100))
        return;
    FLastDraw = Now;
    const double Seconds = std::chrono::duration<double>(Now - FStart).count();
    const double Rate = Seconds > 0 ? static_cast<double>(BytesDone) / Seconds : 0;
    std::string Line = std::to_string(FilesDone) + "/" + std::to_string(FTotalFiles) + " files  " +
                       FormatBytes(BytesDone) + " of " + FormatBytes(FTotalBytes);
    if (Seconds >= 1 && Rate > 0) {
        Line += "  " + FormatBytes(static_cast<uint64_t>(Rate)) + "/s";
        const auto Left = static_cast<uint64_t>(
            static_cast<double>(FTotalBytes > BytesDone ? FTotalBytes - BytesDone : 0) / Rate);
        char Eta[32];
        std::snprintf(Eta, sizeof Eta, "  %llu:%02llu left",
                      static_cast<unsigned long long>(Left / 60),
                      static_cast<unsigned long long>(Left % 60));
        Line += Eta;
    }
    // Carriage return, the line, then erase what a longer line left behind.
    FErr << '\r' << Line << "\x1b[K" << std::flush;
    FShown = true;
}

void TProgressLine::Clear() {
    if (!FShown)
        return;
    FErr << "\r\x1b[K" << std::flush;
    FShown = false;
}

} // namespace quillon::cli
