// Diagnostic lines for a debugger. Nothing reads them back; tests install a
// sink of their own to see them.
#pragma once

#include <functional>
#include <string_view>

namespace quillon {

using TDebugSink = std::function<void(std::string_view Line)>;

// Sends one line to the current sink (by default the platform's debugger
// output: OutputDebugStringA on Windows; elsewhere stderr, when the
// environment variable QUILLON_TRACE is set to 1).
void DebugOutput(std::string_view Line);
// printf-style convenience.
void DebugOutputF(const char* Format, ...) __attribute__((format(printf, 1, 2)));

// Installs Sink (an empty one restores the default) and returns the previous one.
TDebugSink SetDebugSink(TDebugSink Sink);

// A sink that drops every line.
TDebugSink DiscardingDebugSink();
// False when lines would go nowhere (the discarding sink is installed, or the
// platform's output has no reader: QUILLON_TRACE unset outside Windows), so
// that a walk over millions of headers need not form a line for each.
bool DebugOutputWanted();

// Installs a sink for the lifetime of the object.
class TScopedDebugSink {
  public:
    explicit TScopedDebugSink(TDebugSink Sink) : FPrevious(SetDebugSink(std::move(Sink))) {}
    ~TScopedDebugSink() { SetDebugSink(std::move(FPrevious)); }
    TScopedDebugSink(const TScopedDebugSink&) = delete;
    TScopedDebugSink& operator=(const TScopedDebugSink&) = delete;

  private:
    TDebugSink FPrevious;
};

} // namespace quillon
