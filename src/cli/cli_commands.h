// The four commands and the whole tool as a function of its arguments and
// its three streams. Each command writes its results to Out and its
// complaints to Err, and returns the process exit status.
#pragma once

#include "cli_options.h"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace quillon::cli {

enum : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

int RunVerify(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
              std::ostream& Err);
int RunSign(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
            std::ostream& Err);
int RunRender(const TOptions& Options, std::ostream& Out, std::ostream& Err);
int RunComment(const TOptions& Options, std::ostream& Out, std::ostream& Err);

// Args excludes the program name. Returns the exit status.
int RunCli(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
           std::ostream& Err);

} // namespace quillon::cli
