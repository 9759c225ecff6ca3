// Names and reasons as they are printed, so that no file name can forge a
// line, a field or a terminal's state.
#pragma once

#include <string>
#include <string_view>

namespace quillon::cli {

// For lines a program reads (tab-separated results, the paths sign prints):
// a tab, line feed and carriage return as \t, \n, \r, a backslash as \\, and
// every other byte that is not printable text as \xHH: control characters,
// DEL, the C1 controls, the line and paragraph separators and the
// bidirectional formatting characters (each of their UTF-8 bytes), and
// bytes that are not valid UTF-8. Printable UTF-8 stands as itself. The form
// reads back unambiguously: every backslash starts an escape.
std::string EscapeField(std::string_view Bytes);

// For a person at a terminal: the same bytes escaped, except that a
// backslash stands as itself, which keeps Windows paths readable.
std::string EscapeForTerminal(std::string_view Bytes);

} // namespace quillon::cli
