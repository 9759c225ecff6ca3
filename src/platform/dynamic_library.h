// Loading a shared library at run time.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

using TLibraryHandle = void*;

// The file name this system gives the shared library Stem ("libStem.so",
// "Stem.dll").
std::string SharedLibraryFileName(std::string_view Stem);
// Loads by bare file name: the executable's own folder first (as Windows
// does), then the platform's usual search. Null when nothing loads.
TLibraryHandle LoadDynamicLibrary(const std::string& FileName);
// Null when the export is missing.
void* GetLibrarySymbol(TLibraryHandle Handle, const char* Name);
void FreeDynamicLibrary(TLibraryHandle Handle);

// The folder of the running executable, with its trailing separator ("" when unknown).
std::string ExecutableDirectory();

} // namespace quillon
