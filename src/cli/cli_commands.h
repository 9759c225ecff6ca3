// The four commands. Each writes its results to Out and its complaints to
// Err, and returns the process exit status.
#pragma once

#include "cli_options.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace quillon::cli {

enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

int RunVerify(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
              std::ostream& Err);
int RunSign(const TOptions& Options, const std::string& SiteCode, std::ostream& Out,
            std::ostream& Err);
int RunRender(const TOptions& Options, std::ostream& Out, std::ostream& Err);
int RunComment(const TOptions& Options, std::ostream& Out, std::ostream& Err);

} // namespace quillon::cli
