#include "cli_run.h"

#include "cli_commands.h"
#include "cli_help.h"
#include "cli_options.h"
#include "cli_site_code.h"
#include "platform/debug_output.h"

namespace quillon::cli {

namespace {

int UsageError(std::ostream& Err, const std::string& Problem) {
    Err << "quillon-cli: " << Problem << '\n'
        << UsageText() << "(quillon-cli --help explains all)\n";
    return kExitUsage;
}

DebugSink MakeSink(bool Trace, std::ostream& Err) {
    if (!Trace)
        return [](std::string_view) {};
    return [&Err](std::string_view Line) { Err << "quillon-cli trace: " << Line << '\n'; };
}

} // namespace

int RunCli(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
           std::ostream& Err) {
    if (Args.empty())
        return UsageError(Err, "no command given");
    const TParseResult Parsed = ParseCommandLine(Args);
    const TOptions& O = Parsed.Options;
    if (O.Help) {
        Out << HelpText();
        return kExitOk;
    }
    if (!Parsed.Error.empty())
        return UsageError(Err, Parsed.Error);

    std::string SiteCode;
    if (O.SiteCode) {
        SiteCode = *O.SiteCode == "-" ? ReadSiteCodeLine(In) : *O.SiteCode;
        // The key travels to the engine as a NUL-terminated string; a NUL
        // inside would silently cut it short.
        if (SiteCode.find('\0') != std::string::npos)
            return UsageError(Err, "the site code holds a NUL byte");
    }

    const ScopedDebugSink Sink(MakeSink(O.Trace, Err));
    switch (O.Command) {
    case TCommand::Verify:
        return RunVerify(O, SiteCode, Out, Err);
    case TCommand::Sign:
        return RunSign(O, SiteCode, Out, Err);
    case TCommand::Render:
        return RunRender(O, Out, Err);
    case TCommand::Comment:
        return RunComment(O, Out, Err);
    case TCommand::None:
        break;
    }
    return UsageError(Err, "no command given");
}

} // namespace quillon::cli
