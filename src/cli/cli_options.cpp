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

std::string ReadSiteCodeLine(std::istream& In) {
    std::string Line;
    std::getline(In, Line);
    if (!Line.empty() && Line.back() == '\r')
        Line.pop_back();
    return Line;
}

std::string_view UsageText() {
    return "usage: quillon-cli verify --site-code CODE [--json] PATH...\n"
           "       quillon-cli sign --site-code CODE SRC [DST]\n"
           "       quillon-cli render PATH [--out FILE]\n"
           "       quillon-cli comment PATH\n"
           "       quillon-cli --help\n";
}

// Where the two platforms differ.
#ifdef _WIN32
#define TEMP_RULE "           (an unset or empty TEMP gives -4)"
#define SITE_CODE_BYTES                                                                            \
    "                    A key given as an argument is keyed in the ANSI code\n"                   \
    "                    page, as the system's 8-bit programs key it; one read\n"                  \
    "                    from standard input is taken byte for byte.\n"
#else
#define TEMP_RULE "           (TMPDIR or /tmp when TEMP is unset)"
#define SITE_CODE_BYTES ""
#endif

std::string_view HelpText() {
    return R"(quillon-cli: check and write the keyed signatures of JPEG photos and AVI movies.

usage: quillon-cli verify --site-code CODE [--json] PATH...
       quillon-cli sign --site-code CODE SRC [DST]
       quillon-cli render PATH [--out FILE]
       quillon-cli comment PATH

Warning: a signature detects accidental or casual change only; a CRC-32 keyed by a site code is linear, so anyone holding one signed file can alter it and recompute a matching signature without knowing the site code: it is no protection against deliberate forgery.

Commands:
  verify   Checks each PATH with the site code. A file whose name ends in
           .avi (any letter case) is checked as an AVI movie, every other
           file as a JPEG image. A folder is searched, subfolders included,
           for .avi, .jpg and .jpeg files (any letter case), which are
           checked in sorted order; links to folders are not followed.
           Prints one line a file: path, result code and verdict, separated
           by tabs:
              1  Original image file !!
              0  Entire image changed or wrong SITE-CODE !!
             -3  Entire image changed or wrong SITE-CODE !! (no signature)
             -1  Invalid group code (empty site code, or longer than 255)
             -2  Invalid file (no such file)
             -4  the TEMP folder is missing (AVI only)
             -5  the copy into the TEMP folder failed (AVI only)
             other codes: unknown error
           An AVI check copies the movie into the folder named by TEMP
)" TEMP_RULE R"( and removes the copy after.
  sign     Writes a signed copy of SRC to DST; DST defaults to SRC with
           ".mod.avi" appended for .avi files and ".mod.jpg" for all others.
           A JPEG copy is the image re-encoded at quality 100. SRC is never
           changed. Prints the destination's path. An empty site code, or
           one longer than 255 characters, is refused: no copy signed with
           it could ever verify.
  render   Decodes a JPEG file as signing and verification see it and
           prints its width, its height and the checksum of its rows
           (register started at 0, no site code; (3 x width) mod 65536
           bytes a row) as 8 hex digits.
  comment  Prints the comment that verification reads from a JPEG file:
           its length, its bytes as text (other than printable ASCII as
           \xHH, a backslash as \\) and as hex.

Options:
  --site-code CODE  The key. Every byte counts: blanks, letter case.
  --site-code -     Reads the key from the first line of standard input
                    (without its line end), so that it stays out of the
                    shell's history and the process list.
)" SITE_CODE_BYTES R"(  --json            verify: one JSON object a line, {"path", "code",
                    "verdict"}, in plain ASCII; a path byte above 0x7F is
                    written as \u00XX, so reading each character back as one
                    byte (Latin-1) restores the path exactly. Use it when
                    paths may hold tabs or line breaks.
  --out FILE        render: also writes the rows, as a binary PPM (P6, red,
                    green, blue) or, for a name ending in .bgr, raw: 3 x
                    width bytes a row in the decoder's order, top row first.
  --trace           Shows the engine's diagnostic lines on standard error.
  --                Ends the options: everything after it is a path.
  -h, --help        Shows this text.

Exit status: 0 when every file checks out (verify) or the command did its
work; 1 when any file does not check out, or on any failure (the reason on
standard error); 2 for a usage error.
)";
}

} // namespace quillon::cli
