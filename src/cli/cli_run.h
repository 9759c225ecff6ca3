// The whole tool as a function of its arguments and its three streams.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace quillon::cli {

// Args excludes the program name. Returns the exit status.
int RunCli(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
           std::ostream& Err);

} // namespace quillon::cli
