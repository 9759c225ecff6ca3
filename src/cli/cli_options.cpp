#include "cli_options.h"

#include <string_view>

namespace quillon::cli {

namespace {

std::optional<TCommand> CommandNamed(std::string_view Name) {
    if (Name == "verify")
        return TCommand::Verify;
    if (Name == "sign")
        return TCommand::Sign;
    if (Name == "render")
        return TCommand::Render;
    if (Name == "comment")
        return TCommand::Comment;
    return std::nullopt;
}

// Checks what each command needs and allows; returns the complaint or "".
std::string Validate(const TOptions& O) {
    const size_t N = O.Paths.size();
    switch (O.Command) {
    case TCommand::None:
        return "no command given";
    case TCommand::Verify:
        if (O.OutPath)
            return "verify takes no --out";
        if (!O.SiteCode)
            return "verify needs --site-code";
        if (N == 0)
            return "verify needs at least one file or folder";
        return {};
    case TCommand::Sign:
        if (O.OutPath || O.Json)
            return "sign takes only --site-code, SRC and DST";
        if (!O.SiteCode)
            return "sign needs --site-code";
        if (N == 0)
            return "sign needs a source file";
        if (N > 2)
            return "sign takes one source and at most one destination";
        return {};
    case TCommand::Render:
        if (O.SiteCode || O.Json)
            return "render takes only a file and --out";
        if (N != 1)
            return "render takes exactly one file";
        return {};
    case TCommand::Comment:
        if (O.SiteCode || O.Json || O.OutPath)
            return "comment takes only a file";
        if (N != 1)
            return "comment takes exactly one file";
        return {};
    }
    return "no command given";
}

} // namespace

TParseResult ParseCommandLine(const std::vector<std::string>& Args) {
    TParseResult R;
    TOptions& O = R.Options;
    std::string Error;
    const auto Complain = [&Error](std::string Text) {
        if (Error.empty())
            Error = std::move(Text);
    };
    // Takes an option's value, from "--name=value" or from the next argument
    // (which may itself start with '-', as "-" for standard input does).
    const auto TakeValue = [&](std::string_view Name, std::string_view Inline, bool HasInline,
                               size_t& I, std::optional<std::string>& Slot) {
        if (Slot)
            Complain(std::string(Name) + " given twice");
        if (HasInline) {
            Slot = std::string(Inline);
        } else if (I + 1 < Args.size()) {
            Slot = Args[++I];
        } else {
            Complain(std::string(Name) + " needs a value");
        }
    };

    bool OptionsEnded = false;
    for (size_t I = 0; I < Args.size(); ++I) {
        const std::string& A = Args[I];
        const bool IsOption = !OptionsEnded && A.size() > 1 && A[0] == '-';
        if (!IsOption) {
            if (O.Command == TCommand::None) {
                if (auto C = CommandNamed(A))
                    O.Command = *C;
                else
                    Complain("unknown command '" + A + "'");
            } else {
                O.Paths.push_back(A);
            }
            continue;
        }
        if (A == "--") {
            OptionsEnded = true;
            continue;
        }
        const size_t Eq = A.find('=');
        const std::string_view Name = std::string_view(A).substr(0, Eq);
        const bool HasInline = Eq != std::string::npos;
        const std::string_view Inline =
            HasInline ? std::string_view(A).substr(Eq + 1) : std::string_view();
        if ((A == "--help" || A == "-h")) {
            O.Help = true;
        } else if (A == "--trace") {
            O.Trace = true;
        } else if (A == "--json") {
            O.Json = true;
        } else if (Name == "--site-code") {
            TakeValue(Name, Inline, HasInline, I, O.SiteCode);
        } else if (Name == "--out") {
            TakeValue(Name, Inline, HasInline, I, O.OutPath);
        } else {
            Complain("unknown option '" + A + "'");
        }
    }
    if (O.Help)
        return R;
    if (Error.empty())
        Error = Validate(O);
    R.Error = std::move(Error);
    return R;
}

} // namespace quillon::cli
