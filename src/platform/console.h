// The standard streams as the console sees them.
#pragma once

#include <optional>
#include <string>

namespace quillon {

enum class TStdStream { Input, Output, Error };

// True when the stream is an interactive terminal (not a file or a pipe).
bool IsTerminal(TStdStream Stream);

// Shows Prompt on the terminal and reads one line there without showing
// what is typed (a passphrase), without its line end. Nothing when the
// process has no terminal or the input ends first.
std::optional<std::string> ReadHiddenLine(const std::string& Prompt);

} // namespace quillon
