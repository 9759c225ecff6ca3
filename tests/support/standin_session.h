// Drives the stand-in watermark library from a test: scripts its answers
// through the environment and reads back the calls it logged.
#pragma once

#include "support/test_support.h"

#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

class TStandinSession {
  public:
    // Verify: the verification answer ("1", "-2", "throw"); nullopt leaves the
    // stand-in unable to start. InitFails: initialisation returns no context.
    explicit TStandinSession(std::optional<std::string> Verify, bool InitFails = false)
        : FLogPath(FDir / "standin.log"), FLog("QUILLON_STANDIN_LOG", FLogPath.c_str()),
          FVerify("QUILLON_STANDIN_VERIFY", Verify ? Verify->c_str() : nullptr),
          FInit("QUILLON_STANDIN_INIT", InitFails ? "fail" : nullptr) {}

    std::vector<std::string> Calls() const {
        std::vector<std::string> Lines;
        std::ifstream In(FLogPath);
        for (std::string Line; std::getline(In, Line);)
            Lines.push_back(Line);
        return Lines;
    }

    // The lines one full request logs, from load to unload.
    static std::vector<std::string> FullRequest(const std::string& SiteCode,
                                                const std::string& Path) {
        return {"load",        "init 6 0 2 0", "arg prog",    "arg -key",         "arg " + SiteCode,
                "arg -verify", "arg -fine",    "arg " + Path, "verify context 0", "unload"};
    }

    const TScratchDir& Dir() const { return FDir; }

  private:
    TScratchDir FDir;
    std::string FLogPath;
    TScopedEnv FLog;
    TScopedEnv FVerify;
    TScopedEnv FInit;
};

} // namespace quillon::test
