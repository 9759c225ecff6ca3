#include "jpeg_limits.h"

#include "platform/process_memory.h"

#include <algorithm>
#include <cstdio>

namespace quillon {

namespace {

constexpr uint64_t FallbackPhysical = 16'000'000'000ull;

// "400 million" for whole millions, else the digits.
std::string CountText(uint64_t N) {
    if (N >= 1'000'000 && N % 1'000'000 == 0)
        return std::to_string(N / 1'000'000) + " million";
    return std::to_string(N);
}

std::string SizeText(uint32_t Width, uint32_t Height) {
    return std::to_string(Width) + " x " + std::to_string(Height);
}

// FileBytes x PerByte + Floor, saturating.
uint64_t Allowance(uint64_t FileBytes, uint64_t PerByte, uint64_t Floor) {
    if (PerByte != 0 && FileBytes > (UINT64_MAX - Floor) / PerByte)
        return UINT64_MAX;
    return FileBytes * PerByte + Floor;
}

} // namespace

uint64_t DefaultJpegMemoryLimit(int Jobs) {
    static const uint64_t Physical = PhysicalMemoryBytes(); // asked once: a system call
    const uint64_t Quarter = (Physical ? Physical : FallbackPhysical) / 4;
    return Quarter / static_cast<uint64_t>(std::max(Jobs, 1));
}

uint64_t MemoryLimitOf(const TJpegLimits& Limits) {
    return Limits.MaxMemory ? Limits.MaxMemory : DefaultJpegMemoryLimit(1);
}

std::string FormatByteCount(uint64_t Bytes) {
    struct TUnit {
        double Size;
        const char* Name;
    };
    static constexpr TUnit Units[] = {{1e12, "TB"}, {1e9, "GB"}, {1e6, "MB"}, {1e3, "kB"}};
    for (const TUnit& U : Units) {
        if (static_cast<double>(Bytes) >= U.Size) {
            char Text[32];
            std::snprintf(Text, sizeof Text, "%.1f %s", static_cast<double>(Bytes) / U.Size,
                          U.Name);
            return Text;
        }
    }
    return std::to_string(Bytes) + " bytes";
}

void CheckImageMemory(const TJpegLimits& Limits, uint32_t Width, uint32_t Height, uint64_t Need) {
    const uint64_t Limit = MemoryLimitOf(Limits);
    if (Need > Limit)
        throw EJpegLimit("image too large: " + SizeText(Width, Height) + " needs " +
                         FormatByteCount(Need) + ", limit " + FormatByteCount(Limit));
}

void CheckFramePixels(const TJpegLimits& Limits, uint32_t Width, uint32_t Height,
                      uint64_t ComponentPixels, uint64_t FileBytes) {
    const uint64_t Pixels = static_cast<uint64_t>(Width) * Height;
    if (Pixels > Limits.MaxPixels)
        throw EJpegLimit(SizeText(Width, Height) + " is more than " + CountText(Limits.MaxPixels) +
                         " pixels");
    const uint64_t PerByte = Limits.MaxWorkPerByte / FrameShareOfWork;
    if (ComponentPixels > Allowance(FileBytes, PerByte, FramePixelFloor))
        throw EJpegLimit(SizeText(Width, Height) + " from " + FormatByteCount(FileBytes) +
                         ", more pixels than such a file can code");
}

void CheckScanCount(const TJpegLimits& Limits, uint64_t Scans) {
    if (Scans > Limits.MaxScans)
        throw EJpegLimit("more than " + CountText(Limits.MaxScans) + " scans");
}

void CheckDecodeWork(const TJpegLimits& Limits, uint32_t Width, uint32_t Height, uint64_t Scans,
                     uint64_t Work, uint64_t FileBytes) {
    if (Work > Allowance(FileBytes, Limits.MaxWorkPerByte, WorkFloor))
        throw EJpegLimit(SizeText(Width, Height) + " in " + std::to_string(Scans) + " scans from " +
                         FormatByteCount(FileBytes) +
                         ", more decoding than such a file can ask for");
}

} // namespace quillon
