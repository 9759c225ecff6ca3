#include "jpeg_memory_limit.h"

#include <atomic>
#include <cstdio>

#include "platform/process_memory.h"

namespace quillon {

namespace {

std::atomic<uint64_t> LimitSet{0};

constexpr uint64_t FallbackLimit = 4'000'000'000ull;

} // namespace

void SetJpegMemoryLimit(uint64_t Bytes) {
    LimitSet.store(Bytes);
}

uint64_t JpegMemoryLimit() {
    if (const uint64_t Set = LimitSet.load())
        return Set;
    static const uint64_t Physical = PhysicalMemoryBytes(); // asked once: a system call
    return Physical ? Physical / 4 : FallbackLimit;
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

void CheckImageMemory(uint32_t Width, uint32_t Height, uint64_t Need) {
    const uint64_t Limit = JpegMemoryLimit();
    if (Need > Limit)
        throw EImageTooLarge("image too large: " + std::to_string(Width) + " x " +
                             std::to_string(Height) + " needs " + FormatByteCount(Need) +
                             ", limit " + FormatByteCount(Limit));
}

void CheckFileMemory(uint64_t Size) {
    const uint64_t Limit = JpegMemoryLimit();
    if (Size > Limit)
        throw EImageTooLarge("file too large: " + FormatByteCount(Size) + ", limit " +
                             FormatByteCount(Limit));
}

} // namespace quillon
