// Text where the program meets the system: its arguments, its standard
// streams, and the 8-bit bytes the system's own programs use. Inside, text
// and paths are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The program's arguments without its name, in UTF-8. Windows hands main()
// its arguments in the ANSI code page, which loses characters; the wide
// command line keeps them.
std::vector<std::string> ProgramArguments(int Argc, char** Argv);

// Standard input and output carry bytes unchanged: no CR before LF, no
// Ctrl+Z as end of input (Windows' text mode).
void UseBinaryStandardStreams();

// The bytes an 8-bit program of this system uses for Text (UTF-8): Text
// itself on POSIX; on Windows the bytes of the ANSI code page, or nothing
// when a character has no place there. Site codes are keyed and the
// external library takes its paths in this form.
std::optional<std::string> SystemCodePageText(std::string_view Text);

} // namespace quillon
