// Diagnostic lines for a debugger. Nothing reads them back; tests install a
// sink of their own to see them.
#pragma once

#include <functional>
#include <string_view>

namespace quillon {

using DebugSink = std::function<void(std::string_view Line)>;

// Sends one line to the current sink (by default the platform's debugger
// output: stderr here, OutputDebugStringA on Windows).
void DebugOutput(std::string_view Line);
// printf-style convenience.
void DebugOutputF(const char* Format, ...) __attribute__((format(printf, 1, 2)));

// Installs Sink (an empty one restores the default) and returns the previous one.
DebugSink SetDebugSink(DebugSink Sink);

// Installs a sink for the lifetime of the object.
class ScopedDebugSink {
  public:
    explicit ScopedDebugSink(DebugSink Sink) : FPrevious(SetDebugSink(std::move(Sink))) {}
    ~ScopedDebugSink() { SetDebugSink(std::move(FPrevious)); }
    ScopedDebugSink(const ScopedDebugSink&) = delete;
    ScopedDebugSink& operator=(const ScopedDebugSink&) = delete;

  private:
    DebugSink FPrevious;
};

} // namespace quillon
