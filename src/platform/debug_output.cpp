#include "debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quillon {

void PlatformDebugWrite(std::string_view Line); // the platform's own debugger output

namespace {
TDebugSink& CurrentSink() {
    static TDebugSink Sink;
    return Sink;
}

void DiscardLine(std::string_view) {}

bool Discarding(const TDebugSink& Sink) {
    const auto* Target = Sink.target<void (*)(std::string_view)>();
    return Target != nullptr && *Target == &DiscardLine;
}

// Whether the platform's own output has a reader. Windows cannot tell
// whether a viewer collects the lines, so it always has one.
bool PlatformListening() {
#ifdef _WIN32
    return true;
#else
    const char* Wanted = std::getenv("QUILLON_TRACE");
    return Wanted != nullptr && *Wanted != '\0' && std::string_view(Wanted) != "0";
#endif
}
} // namespace

TDebugSink DiscardingDebugSink() {
    return TDebugSink(&DiscardLine);
}

bool DebugOutputWanted() {
    if (const TDebugSink& Sink = CurrentSink())
        return !Discarding(Sink);
    return PlatformListening();
}

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
