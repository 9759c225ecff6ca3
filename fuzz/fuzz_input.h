// Fuzz input as a file: the entries under test take paths, as the programs
// call them. One scratch folder per process, reused for every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon::fuzz {

// The scratch folder, with TEMP pointing into it, created on first use.
const std::string& ScratchDir();
// Writes the input to ScratchDir()/input<Ext> and returns that path.
std::string InputFile(const uint8_t* Data, size_t Size, const char* Ext);

} // namespace quillon::fuzz
