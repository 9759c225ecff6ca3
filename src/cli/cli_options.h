// The command line taken apart: which command, its options and its paths.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon::cli {

enum class TCommand { None, Verify, Sign, Render, Comment };

struct TOptions {
    TCommand Command = TCommand::None;
    bool Help = false;
    bool Trace = false;
    bool Json = false;
    std::optional<std::string> SiteCode; // "-": the first line of standard input
    std::optional<std::string> OutPath;
    std::vector<std::string> Paths;
};

struct TParseResult {
    TOptions Options;
    std::string Error; // empty when the command line is usable
};

// Args excludes the program name. --help wins over every other problem.
TParseResult ParseCommandLine(const std::vector<std::string>& Args);

} // namespace quillon::cli
