// The standard streams as the console sees them.
#pragma once

namespace quillon {

enum class TStdStream { Input, Output, Error };

// True when the stream is an interactive terminal (not a file or a pipe).
bool IsTerminal(TStdStream Stream);

} // namespace quillon
