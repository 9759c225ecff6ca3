// quillon-cli key: making key pairs, trusting public keys, listing them.
#pragma once

#include "cli_commands.h"

#include <istream>

namespace quillon::cli {

// How a passphrase is asked for on the terminal, without echo; nothing
// when there is no terminal. Tests put their own in its place.
using TAskHidden = std::function<std::optional<std::string>(const std::string& Prompt)>;

int RunKey(const TOptions& Options, std::istream& In, TStreams& S, const TAskHidden& Ask);

} // namespace quillon::cli
