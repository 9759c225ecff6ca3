// The one-line progress display on a terminal: files and bytes done, rate
// and time left, redrawn at most ten times a second and wiped at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace quillon::cli {

class TProgressLine {
  public:
    TProgressLine(std::ostream& Err, uint64_t TotalFiles, uint64_t TotalBytes);
    ~TProgressLine();
    TProgressLine(const TProgressLine&) = delete;
    TProgressLine& operator=(const TProgressLine&) = delete;

    // Redraws unless the last drawing is less than 0.1 s old.
    void Update(uint64_t FilesDone, uint64_t BytesDone);
    // Removes the line, so that what follows starts on a clean line.
    void Clear();

  private:
    using TClock = std::chrono::steady_clock;
    std::ostream& FErr;
    uint64_t FTotalFiles;
    uint64_t FTotalBytes;
    TClock::time_point FStart = TClock::now();
    TClock::time_point FLastDraw{};
    bool FShown = false;
};

// 1536 -> "1.5 KiB", the unit chosen so that the number stays readable.
std::string FormatBytes(uint64_t Bytes);

} // namespace quillon::cli
