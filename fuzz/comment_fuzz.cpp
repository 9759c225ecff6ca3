// Arbitrary bytes as a photo's header: the comment reader reads something or
// raises its file error, and whatever comment the inserter writes (into a
// copy, or in place) the reader reads back.
#include "containers/KvJpegComment.h"
#include "fuzz_input.h"
#include "platform/file_stream.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace quillon;
    const std::string Path = fuzz::InputFile(Data, Size, ".jpg");
    const std::string Copy = fuzz::ScratchDir() + "copy.jpg";
    const std::string Comment("KvWM\0-1234567", 13);
    try {
        ReadJpegComment(Path);
    } catch (const EFileError&) {
    }
    try {
        CopyJpegWithComment(Path, Copy, Comment);
        if (ReadJpegComment(Copy) != Comment)
            __builtin_trap();
    } catch (const EFileError&) {
    }
    try {
        WriteJpegComment(Path, "");
        WriteJpegComment(Path, Comment);
        if (ReadJpegComment(Path) != Comment)
            __builtin_trap();
    } catch (const EFileError&) {
    }
    return 0;
}
