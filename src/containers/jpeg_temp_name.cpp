// Names for the temporary copy that an in-place comment write goes through.
#include "KvJpegComment.h"
#include "platform/clock.h"
#include "platform/files.h"

#include <random>

namespace quillon {

std::string MakeTempFileName(const std::string& Directory) {
    // Seeded anew on every call, so names from separate runs differ too.
    std::mt19937 Generator(HighResolutionCounterLow32());
    std::uniform_int_distribution<int> Letter(0, 25);
    for (;;) {
        std::string Path = Directory + "temp_";
        for (int I = 0; I < 10; ++I)
            Path.push_back(static_cast<char>('A' + Letter(Generator)));
        Path += ".$$$";
        if (EntryKindOf(Path) == TEntryKind::None)
            return Path;
    }
}

} // namespace quillon
