// The four commands and the whole tool as a function of its arguments and
// its three streams. Each command writes its results to Out and its
// complaints to Err, and returns the process exit status.
#pragma once

#include "cli_options.h"

#include "engine/strong_verdict.h"
#include "platform/thread_budget.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillon::cli {

enum : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Where the streams lead: words and the progress line are for people at a
// terminal, plain lines for everything else.
struct TConsole {
    bool OutIsTerminal = false;
    bool ErrIsTerminal = false;
    int Cores = 1; // the default number of jobs, and the threads the run keeps busy at most
    // Reads a line on the terminal without echo (key new's passphrase);
    // empty: the platform's own.
    std::function<std::optional<std::string>(const std::string& Prompt)> AskHidden;
};

// The streams, console and thread budget of one run.
struct TStreams {
    std::ostream& Out;
    std::ostream& Err;
    TConsole Console;
    TThreadBudget& Threads;
    // Writes out the diagnostic lines gathered so far (--trace); called once
    // a file is done, so its lines come before its result.
    std::function<void()> FlushTrace = [] {};
};

// Trusted: the keys a strong tag is judged against. Key: signing adds a
// strong tag with it.
int RunVerify(const TOptions& Options, const std::string& SiteCode, TStreams& S,
              const TTrustedKeyList& Trusted = {});
int RunSign(const TOptions& Options, const std::string& SiteCode, TStreams& S,
            const TSecretKey* Key = nullptr);
int RunRender(const TOptions& Options, TStreams& S);
int RunComment(const TOptions& Options, TStreams& S);

// Args excludes the program name. Returns the exit status.
int RunCli(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
           std::ostream& Err, const TConsole& Console = {});

} // namespace quillon::cli
