// A stand-in for the external watermark library. Its answers come from
// environment variables the test sets; every call is appended to a log file:
//   QUILLON_STANDIN_LOG     file the calls are appended to (nothing logged when unset)
//   QUILLON_STANDIN_INIT    "fail": initialisation returns no context
//   QUILLON_STANDIN_VERIFY  the verification answer (a number) or "throw"
// Without QUILLON_STANDIN_VERIFY it behaves like a library that cannot work,
// so programs that find it by accident fall back to their own check.
// Built with STANDIN_WITHOUT_INIT or STANDIN_WITHOUT_VERIFY it lacks that export.
#include "extlib/wm_exports.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

void Log(const char* Format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* Format, ...) {
    const char* Name = std::getenv("QUILLON_STANDIN_LOG");
    if (Name == nullptr || *Name == '\0')
        return;
    std::FILE* F = std::fopen(Name, "a");
    if (F == nullptr)
        return;
    va_list Args;
    va_start(Args, Format);
    std::vfprintf(F, Format, Args);
    va_end(Args);
    std::fputc('\n', F);
    std::fclose(F);
}

// The context handed out; its address proves WMVerify got it back.
int SessionToken = 0;

__attribute__((constructor)) void OnLoad() {
    Log("load");
}

__attribute__((destructor)) void OnUnload() {
    Log("unload");
}

void NeverCalled(const char* Name) {
    Log("unexpected %s", Name);
}

} // namespace

#ifndef STANDIN_WITHOUT_INIT
STANDIN_EXPORT intptr_t WMInitMediaSign(int32_t Argc, char** Argv, int32_t A, int32_t B,
                                        int32_t C) {
    Log("init %d %d %d %d", Argc, A, B, C);
    for (int32_t I = 0; I < Argc; ++I)
        Log("arg %s", Argv[I]);
    const char* Mode = std::getenv("QUILLON_STANDIN_INIT");
    if (std::getenv("QUILLON_STANDIN_VERIFY") == nullptr ||
        (Mode && std::strcmp(Mode, "fail") == 0))
        return 0;
    return reinterpret_cast<intptr_t>(&SessionToken);
}
static_assert(std::is_same_v<decltype(&WMInitMediaSign), quillon::TWMInitMediaSign>);
#endif

#ifndef STANDIN_WITHOUT_VERIFY
STANDIN_EXPORT int32_t WMVerify(intptr_t Context, int32_t Flags) {
    const bool Ours = Context == reinterpret_cast<intptr_t>(&SessionToken);
    Log("verify %s %d", Ours ? "context" : "foreign-context", Flags);
    const char* Answer = std::getenv("QUILLON_STANDIN_VERIFY");
    if (Answer == nullptr)
        return 0;
    if (std::strcmp(Answer, "throw") == 0)
        throw std::runtime_error("stand-in verification failed");
    return static_cast<int32_t>(std::strtol(Answer, nullptr, 10));
}
static_assert(std::is_same_v<decltype(&WMVerify), quillon::TWMVerify>);
#endif

// The library's other exports: present, but never to be called.
#define STANDIN_NEVER_CALLED(Name)                                                                 \
    STANDIN_EXPORT int32_t Name() {                                                                \
        NeverCalled(#Name);                                                                        \
        return 0;                                                                                  \
    }
STANDIN_NEVER_CALLED(WMGetValue)
STANDIN_NEVER_CALLED(WMSetValueRaw)
STANDIN_NEVER_CALLED(WMLoadImage)
STANDIN_NEVER_CALLED(WMDumpImage)
STANDIN_NEVER_CALLED(WMFreeMediaSign)
STANDIN_NEVER_CALLED(WMReadCode)
STANDIN_NEVER_CALLED(WMWriteCode)
