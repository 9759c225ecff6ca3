// quillon-cli key: making key pairs, trusting public keys, listing them.
#pragma once

#include "cli_commands.h"

#include "engine/strong_verdict.h"

#include <istream>
#include <optional>

namespace quillon::cli {

// How a passphrase is asked for on the terminal, without echo; nothing
// when there is no terminal. Tests put their own in its place.
using TAskHidden = std::function<std::optional<std::string>(const std::string& Prompt)>;

int RunKey(const TOptions& Options, std::istream& In, TStreams& S, const TAskHidden& Ask);

// sign --key: the secret key, its passphrase asked on the terminal or read
// with --passphrase-file; nothing (the complaint written to S.Err) when it
// cannot be had.
std::optional<TSecretKey> LoadSigningKey(const TOptions& Options, std::istream& In, TStreams& S,
                                         const TAskHidden& Ask);
// verify: the keys of the trust folder and of each --trust file. A --trust
// file that is no public key is a failure (nothing returned, the complaint
// written); a bad file in the folder is only mentioned.
std::optional<TTrustedKeyList> LoadVerifyTrust(const TOptions& Options, TStreams& S);

} // namespace quillon::cli
