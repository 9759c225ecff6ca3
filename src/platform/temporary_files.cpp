#include "temporary_files.h"

#include "files.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace quillon {

namespace {

struct TRegistry {
    std::mutex Lock;
    std::vector<std::string> Paths;
};

TRegistry& Registry() {
    static TRegistry R;
    return R;
}

} // namespace

void RegisterTemporaryFile(const std::string& Path) {
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    R.Paths.push_back(Path);
}

void ForgetTemporaryFile(const std::string& Path) {
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    const auto It = std::find(R.Paths.begin(), R.Paths.end(), Path);
    if (It != R.Paths.end())
        R.Paths.erase(It);
}

void RemoveTemporaryFiles() {
    TRegistry& R = Registry();
    const std::lock_guard<std::mutex> Guard(R.Lock);
    for (const std::string& Path : R.Paths)
        DeleteFile(Path);
    R.Paths.clear();
}

} // namespace quillon
