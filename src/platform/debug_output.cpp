#include "debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace quillon {

void PlatformDebugWrite(std::string_view Line); // the platform's own debugger output

namespace {
TDebugSink& CurrentSink() {
    static TDebugSink Sink;
    return Sink;
}
} // namespace

void DebugOutput(std::string_view Line) {
    if (const TDebugSink& Sink = CurrentSink())
        Sink(Line);
    else
        PlatformDebugWrite(Line);
}

void DebugOutputF(const char* Format, ...) {
    char Buffer[256];
    va_list Args;
    va_start(Args, Format);
    const int N = std::vsnprintf(Buffer, sizeof Buffer, Format, Args);
    va_end(Args);
    if (N < 0)
        return;
    if (static_cast<size_t>(N) < sizeof Buffer) {
        DebugOutput(std::string_view(Buffer, static_cast<size_t>(N)));
        return;
    }
    std::string Long(static_cast<size_t>(N) + 1, '\0');
    va_start(Args, Format);
    std::vsnprintf(Long.data(), Long.size(), Format, Args);
    va_end(Args);
    Long.pop_back();
    DebugOutput(Long);
}

TDebugSink SetDebugSink(TDebugSink Sink) {
    TDebugSink Previous = std::move(CurrentSink());
    CurrentSink() = std::move(Sink);
    return Previous;
}

} // namespace quillon
