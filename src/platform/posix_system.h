// Shared by posix.cpp and the file of the particular POSIX system
// (linux.cpp): the turn of an errno into the file layer's error. Nothing
// outside the platform layer includes this.
#pragma once

#include "file_stream.h"

#include <cstdint>
#include <string>

namespace quillon::posix {

inline int Fd(intptr_t Handle) {
    return static_cast<int>(Handle);
}

std::string ErrnoText(int Error);
TFileErrorKind KindOf(int Error);
[[noreturn]] void RaiseIo(const std::string& FileName, const char* What, int Error);

} // namespace quillon::posix
