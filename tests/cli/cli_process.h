// Runs quillon-cli: the real executable as a child process, or its whole
// logic in this process, with the same three streams.
#pragma once

#include "cli/cli_commands.h"

#include <string>
#include <vector>

namespace quillon::test {

struct TCliRun {
    int Status = -1; // exit status; -1 when the child did not exit normally
    std::string Out;
    std::string Err;
};

// Args exclude the program name; Input is fed to the child's standard input,
// which is then closed.
TCliRun RunCliProcess(const std::vector<std::string>& Args, const std::string& Input = {});

// The same through the CLI library's RunCli, without a process: faster, and
// under the test build's sanitizers.
// Console says where the streams pretend to lead (a terminal or not).
TCliRun RunCliInProcess(const std::vector<std::string>& Args, const std::string& Input = {},
                        const cli::TConsole& Console = {});

// The non-empty lines of Text.
std::vector<std::string> Lines(const std::string& Text);

} // namespace quillon::test
