#include "cli_options.h"

#include "engine/media_file.h"
#include "version/version.h"

#include <charconv>
#include <initializer_list>

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
    if (Name == "key")
        return TCommand::Key;
    return std::nullopt;
}

std::string_view CommandName(TCommand C) {
    switch (C) {
    case TCommand::Verify:
        return "verify";
    case TCommand::Sign:
        return "sign";
    case TCommand::Render:
        return "render";
    case TCommand::Comment:
        return "comment";
    case TCommand::Key:
        return "key";
    case TCommand::None:
        break;
    }
    return "";
}

// One option: its names, the flag it sets (none for options that take a
// value), and which commands take it.
struct TOptionRule {
    std::string_view Long;
    char Short; // 0: none
    bool TOptions::*Flag;
    std::initializer_list<TCommand> Commands; // empty: every command
};

constexpr TCommand V = TCommand::Verify, S = TCommand::Sign, R = TCommand::Render,
                   K = TCommand::Key;

const TOptionRule OptionRules[] = {
    {"--site-code", 's', nullptr, {V, S}},
    {"--jobs", 'j', nullptr, {V, S}},
    {"--out", 'o', nullptr, {S, R}},
    {"--max-memory", 0, nullptr, {V, S, R}},
    {"--max-pixels", 0, nullptr, {V, S, R}},
    {"--max-scans", 0, nullptr, {V, S, R}},
    {"--max-work", 0, nullptr, {V, S, R}},
    {"--quiet", 'q', &TOptions::Quiet, {V}},
    {"--status", 0, &TOptions::StatusOnly, {V}},
    {"--json", 0, &TOptions::Json, {V}},
    {"--tsv", 0, &TOptions::Tsv, {V}},
    {"--in-place", 0, &TOptions::InPlace, {V}},
    {"--no-progress", 0, &TOptions::NoProgress, {V, S}},
    {"--force", 'f', &TOptions::Force, {S, R, K}},
    {"--comment", 0, nullptr, {K}},
    {"--no-passphrase", 0, &TOptions::NoPassphrase, {K}},
    {"--passphrase-file", 0, nullptr, {S, K}},
    {"--key", 0, nullptr, {S}},
    {"--trust", 0, nullptr, {V}},
    {"--require-strong", 0, &TOptions::RequireStrong, {V}},
    {"--keep-metadata", 0, &TOptions::KeepMetadata, {S}},
    {"--trace", 0, &TOptions::Trace, {}},
    {"--help", 'h', &TOptions::Help, {}},
    {"--version", 0, &TOptions::Version, {}},
};

const TOptionRule* FindLong(std::string_view Name) {
    for (const TOptionRule& O : OptionRules)
        if (O.Long == Name)
            return &O;
    return nullptr;
}

const TOptionRule* FindShort(char Letter) {
    for (const TOptionRule& O : OptionRules)
        if (O.Short != 0 && O.Short == Letter)
            return &O;
    return nullptr;
}

bool AllowedFor(const TOptionRule& O, TCommand C) {
    if (O.Commands.size() == 0)
        return true;
    for (TCommand Allowed : O.Commands)
        if (Allowed == C)
            return true;
    return false;
}

std::optional<int> ParseJobs(std::string_view Text) {
    int N = 0;
    const auto [End, Ec] = std::from_chars(Text.data(), Text.data() + Text.size(), N);
    if (Ec != std::errc() || End != Text.data() + Text.size() || N < 1 || N > 1024)
        return std::nullopt;
    return N;
}

// "512M", "4G", "1500000000": a whole number (of bytes, pixels, ...) with
// an optional decimal unit k, M, G or T.
std::optional<uint64_t> ParseAmount(std::string_view Text) {
    uint64_t N = 0;
    const auto [End, Ec] = std::from_chars(Text.data(), Text.data() + Text.size(), N);
    if (Ec != std::errc() || End == Text.data() || N == 0)
        return std::nullopt;
    const std::string_view Unit(End, static_cast<size_t>(Text.data() + Text.size() - End));
    uint64_t Scale = 1;
    if (Unit == "k" || Unit == "K")
        Scale = 1'000;
    else if (Unit == "M")
        Scale = 1'000'000;
    else if (Unit == "G")
        Scale = 1'000'000'000;
    else if (Unit == "T")
        Scale = 1'000'000'000'000;
    else if (!Unit.empty())
        return std::nullopt;
    if (N > UINT64_MAX / Scale)
        return std::nullopt;
    return N * Scale;
}

// Stores a parsed option; returns the complaint or "".
std::string Apply(const TOptionRule& Rule, const std::string& Value, TOptions& O) {
    const std::string_view L = Rule.Long;
    const auto Once = [&](std::optional<std::string>& Slot) -> std::string {
        if (Slot)
            return std::string(L) + " given twice";
        Slot = Value;
        return {};
    };
    if (L == "--site-code")
        return Once(O.SiteCode);
    if (L == "--out")
        return Once(O.OutPath);
    if (L == "--comment")
        return Once(O.KeyComment);
    if (L == "--passphrase-file")
        return Once(O.PassphraseFile);
    if (L == "--key")
        return Once(O.SigningKey);
    if (L == "--trust") {
        O.TrustFiles.push_back(Value);
        return {};
    }
    if (L == "--jobs") {
        const std::optional<int> N = ParseJobs(Value);
        if (!N)
            return "--jobs takes a whole number from 1 to 1024, not '" + Value + "'";
        O.Jobs = *N;
        return {};
    }
    // The limits: a whole number above 0, with a unit where it helps.
    struct TLimitOption {
        std::string_view Name;
        uint64_t TOptions::*Slot;
        const char* Example;
    };
    static const TLimitOption Limits[] = {
        {"--max-memory", &TOptions::MaxMemory, "a size such as 512M or 4G"},
        {"--max-pixels", &TOptions::MaxPixels, "a count such as 600M or 2G"},
        {"--max-scans", &TOptions::MaxScans, "a count such as 2000"},
        {"--max-work", &TOptions::MaxWork, "a count such as 65536 or 100k"},
    };
    for (const TLimitOption& Limit : Limits) {
        if (L != Limit.Name)
            continue;
        const std::optional<uint64_t> Amount = ParseAmount(Value);
        if (!Amount || (Limit.Slot == &TOptions::MaxScans && *Amount > UINT32_MAX))
            return std::string(L) + " takes " + Limit.Example + ", not '" + Value + "'";
        O.*Limit.Slot = *Amount;
        return {};
    }
    if (Rule.Flag != nullptr)
        O.*Rule.Flag = true;
    return {};
}

// key new NAME | key trust FILE | key list; returns the complaint or "".
std::string ValidateKey(const TOptions& O) {
    const size_t N = O.Paths.size();
    if (N == 0)
        return "key needs what to do: new, trust or list";
    const std::string& What = O.Paths[0];
    const bool ForNew = O.KeyComment || O.NoPassphrase || O.PassphraseFile;
    if (What == "new") {
        if (N != 2)
            return "key new takes exactly one NAME (it writes NAME.key and NAME.pub)";
        if (O.NoPassphrase && O.PassphraseFile)
            return "--no-passphrase and --passphrase-file exclude each other";
        return {};
    }
    if (What == "trust" || What == "list") {
        if (ForNew)
            return "--comment, --no-passphrase and --passphrase-file are for key new only";
        if (What == "trust" && N != 2)
            return "key trust takes exactly one public key file";
        if (What == "list" && N != 1)
            return "key list takes no further arguments";
        if (What == "list" && O.Force)
            return "key list takes no --force";
        return {};
    }
    return "unknown key command '" + What + "' (new, trust or list)";
}

// Checks what each command needs; returns the complaint or "".
std::string Validate(const TOptions& O) {
    const size_t N = O.Paths.size();
    const std::string Name(CommandName(O.Command));
    switch (O.Command) {
    case TCommand::None:
        return "no command given";
    case TCommand::Verify:
    case TCommand::Sign:
        if (!O.SiteCode)
            return Name + " needs --site-code (-s)";
        if (O.SiteCode->empty())
            return "the site code is empty";
        if (N == 0)
            return Name + " needs at least one file or folder";
        if (O.Json && O.Tsv)
            return "--json and --tsv exclude each other";
        if (O.OutPath && N != 1)
            return "sign --out takes exactly one source file";
        if (O.PassphraseFile && !O.SigningKey)
            return "--passphrase-file is for a signing key: give --key too";
        if (O.PassphraseFile && *O.PassphraseFile == "-" && *O.SiteCode == "-")
            return "the site code and the passphrase cannot both come from standard input";
        return {};
    case TCommand::Render:
    case TCommand::Comment:
        if (N != 1)
            return Name + " takes exactly one file";
        return {};
    case TCommand::Key:
        return ValidateKey(O);
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
    // Options may stand before the command too, so those are checked
    // against it once the whole line is read.
    std::vector<const TOptionRule*> Given;

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
        const TOptionRule* Rule = nullptr;
        std::optional<std::string> Inline; // "--name=value" or "-xVALUE"
        if (A[1] == '-') {
            const size_t Eq = A.find('=');
            Rule = FindLong(std::string_view(A).substr(0, Eq));
            if (Eq != std::string::npos)
                Inline = A.substr(Eq + 1);
        } else {
            Rule = FindShort(A[1]);
            if (A.size() > 2)
                Inline = A.substr(2);
        }
        if (Rule == nullptr) {
            Complain("unknown option '" + A + "'");
            continue;
        }
        std::string Value;
        if (Rule->Flag == nullptr) {
            // The value may itself start with '-', as "-" for standard input does.
            if (Inline)
                Value = *Inline;
            else if (I + 1 < Args.size())
                Value = Args[++I];
            else
                Complain(std::string(Rule->Long) + " needs a value");
        } else if (Inline) {
            Complain(std::string(Rule->Long) + " takes no value");
            continue;
        }
        Given.push_back(Rule);
        if (std::string Problem = Apply(*Rule, Value, O); !Problem.empty())
            Complain(std::move(Problem));
    }
    if (O.Help || O.Version)
        return R;
    for (const TOptionRule* Rule : Given)
        if (O.Command != TCommand::None && !AllowedFor(*Rule, O.Command))
            Complain(std::string(CommandName(O.Command)) + " takes no " + std::string(Rule->Long));
    if (Error.empty())
        Error = Validate(O);
    R.Error = std::move(Error);
    return R;
}

std::optional<std::string> ReadSiteCodeLine(std::istream& In) {
    std::string Line;
    for (;;) {
        // The longest key and a carriage return are in, and still no line
        // feed: nothing more is read.
        if (Line.size() > MaxSiteCodeBytes + 1)
            return std::nullopt;
        const int C = In.get();
        if (C == std::char_traits<char>::eof() || C == '\n')
            break;
        Line.push_back(static_cast<char>(C));
    }
    if (!Line.empty() && Line.back() == '\r')
        Line.pop_back();
    if (Line.size() > MaxSiteCodeBytes)
        return std::nullopt;
    return Line;
}

std::string VersionText() {
    return "quillon-cli " + std::string(QuillonVersion());
}

std::string_view UsageText() {
    return "usage: quillon-cli verify -s CODE [-j N] [-q | --status] [--json | --tsv] [--in-place] "
           "[--trust NAME.pub]... [--require-strong] PATH...\n"
           "       quillon-cli sign -s CODE [-f] [--keep-metadata] [--key NAME.key "
           "[--passphrase-file F]] [-j N] PATH...\n"
           "       quillon-cli sign -s CODE [-f] [--keep-metadata] FILE --out DST\n"
           "       quillon-cli render [-f] FILE [--out IMAGE]\n"
           "       quillon-cli comment FILE\n"
           "       quillon-cli key new NAME [--comment TEXT] [--no-passphrase | "
           "--passphrase-file F] [-f]\n"
           "       quillon-cli key trust NAME.pub [-f] | key list\n"
           "       quillon-cli --help | --version\n";
}

// Where the two platforms differ.
#ifdef _WIN32
#define TEMP_RULE "(an unset or empty TEMP gives -4)"
#define TRUST_FOLDER "%APPDATA%\\Quillon\\trusted\\"
#define SITE_CODE_BYTES                                                                            \
    "                    A key given as an argument is keyed in the ANSI code\n"                   \
    "                    page, as the system's 8-bit programs key it; one read\n"                  \
    "                    from standard input is taken byte for byte.\n"
#else
#define TEMP_RULE "(TMPDIR or /tmp when TEMP is unset)"
#define TRUST_FOLDER "$XDG_CONFIG_HOME/quillon/trusted/ (~/.config/...)"
#define SITE_CODE_BYTES ""
#endif

std::string_view HelpText() {
    return R"(quillon-cli: check and write the keyed signatures of JPEG photos and AVI movies.

usage: quillon-cli verify -s CODE [-j N] [-q | --status] [--json | --tsv] [--in-place] [--trust NAME.pub]... [--require-strong] PATH...
       quillon-cli sign -s CODE [-f] [--keep-metadata] [--key NAME.key [--passphrase-file F]] [-j N] PATH...
       quillon-cli sign -s CODE [-f] [--keep-metadata] FILE --out DST
       quillon-cli render [-f] FILE [--out IMAGE]
       quillon-cli comment FILE
       quillon-cli key new NAME [--comment TEXT] [--no-passphrase | --passphrase-file F] [-f]
       quillon-cli key trust NAME.pub [-f]
       quillon-cli key list

Warning: a signature detects accidental or casual change only; a CRC-32 keyed by a site code is linear, so anyone holding one signed file can alter it and recompute a matching signature without knowing the site code: it is no protection against deliberate forgery.

Commands:
  verify   Checks each PATH with the site code. A file whose name ends in
           .avi (any letter case) is checked as an AVI movie, every other
           file as a JPEG image (offered first to the external watermark
           library when one is installed). A folder is searched, subfolders
           included, for .avi, .jpg and .jpeg files (any letter case);
           links to folders are not followed. Results come in sorted order,
           the same for every -j. One line a file:
             on a terminal   path: verdict (reason)
             otherwise       path, code, verdict and reason, tab-separated
             with --json     {"path", "code", "verdict", "reason"}
           In tab-separated lines a tab, line end or backslash in a path or
           reason is written \t, \n, \r or \\, and every other byte that is
           no printable text (control characters, bytes that are not UTF-8)
           as \xHH, so that no name can forge a line or a field; on a
           terminal the control characters are shown so, backslashes as
           they are.
           The codes:
              1  Original image file !!
              0  Entire image changed or wrong SITE-CODE !!
             -3  Entire image changed or wrong SITE-CODE !! (no signature)
             -1  Invalid group code
             -2  Invalid file (not found, or not a regular file)
             -4  the TEMP folder is missing or not writable (AVI only)
             -5  the copy into the TEMP folder failed (AVI only)
             -9  unknown error (the reason says what happened)
           A file that carries a strong tag (see sign --key) is judged by
           it too, against the trusted keys (key trust, and --trust):
             original         signed by a trusted key, nothing changed
             pixels-original  a photo's pixels unchanged, other bytes
                              (metadata, comments) changed
             changed          the pixels or the movie's bytes changed
             untrusted        signed by a key that is not trusted
             damaged          the tag cannot be read or its signature
                              fails (damaged or forged)
             later-format     a tag of a later format than this program's
             no-tag           no tag: the keyed checksum stands alone
             not-checked      the file could not be read
           Tab-separated lines add five fields: that verdict, the key id,
           the key's comment, the signing time (ISO 8601, UTC) and the
           reason; --json adds an object "strong" with "verdict", "key_id",
           "key_comment", "signed_at" and "reason"; on a terminal the
           verdict follows the line after " | strong: ". The strong verdict
           never changes the code or the exit status, unless
           --require-strong is given.
           An AVI check copies the movie into the folder named by TEMP
           )" TEMP_RULE R"( and removes the
           copy after. With several files a summary goes to standard error.
  sign     Writes a signed copy of each PATH (a folder: its media files,
           except signed copies already there) beside it, named by appending
           ".mod.avi" to .avi files and ".mod.jpg" to all others; --out DST
           names the copy of a single FILE. An existing copy is left alone
           unless -f is given. Every copy is written as a new file and
           renamed into place once complete. A JPEG copy is the image re-encoded at quality
           100 (camera metadata is dropped unless --keep-metadata); an AVI
           copy holds every byte of the source. Sources are never changed.
           Prints each copy's path, escaped as verify's tab-separated lines.
           With --key NAME.key a strong tag is added beside the signature:
           an Ed25519 signature over the rendered rows and every other byte
           of the photo, or every byte of the movie in front of it, that
           anyone holding NAME.pub can check. The key's passphrase is asked
           on the terminal, or read with --passphrase-file.
  render   Decodes a JPEG file as signing and verification see it and
           prints its width, its height and the checksum of its rows
           (register started at 0, no site code; (3 x width) mod 65536
           bytes a row) as 8 hex digits.
  comment  Prints the comment that verification reads from a JPEG file:
           its length, its bytes as text (other than printable ASCII as
           \xHH, a backslash as \\) and as hex.
  key new  Makes a key pair for strong signatures: NAME.key, the secret
           key (readable by you alone, protected by a passphrase asked
           twice on the terminal), and NAME.pub, the public key for those
           who verify. Existing files are never replaced unless -f is
           given. The files are in minisign's formats: minisign signs with
           NAME.key, and its keys work here.
  key trust
           Copies a public key into the folder of trusted keys,
           )" TRUST_FOLDER R"(,
           named by its key id. Files signed with a trusted key can be
           called original.
  key list Prints the trusted keys: key id, comment and file, tab-separated.

Options:
  -s, --site-code CODE  The key, at most 255 bytes. Every byte counts:
                    blanks, letter case. An empty key is refused.
  -s -              Reads the key from the first line of standard input
                    (without its line end), so that it stays out of the
                    shell's history and the process list. A first line
                    longer than 255 bytes is refused without reading on.
)" SITE_CODE_BYTES R"(  -j, --jobs N      Files handled at once (default: one a processor core).
                    Every thread of the run, those that help one file
                    along included, draws from one budget of a thread a
                    core: more jobs than cores wait for a free one, and a
                    single file uses every core.
  --max-memory SIZE The most memory decoding one photo may hold, in bytes
                    or with k, M, G or T (powers of 1000), e.g. 2G: checking
                    holds a band of rows (a multi-scan photo also its
                    coefficients), signing and render the whole image. A
                    photo that would need more is refused with "image too
                    large" (verify: -9). Default: a quarter of the physical
                    memory, shared by the files handled at once.
  --max-pixels N    The most pixels (width x height) of a photo, with k, M
                    or G as above. Default: 400M, beyond the largest camera
                    files; a gigapixel panorama needs more.
  --max-scans N     The most scans of a photo. Encoders write about ten.
                    Default: 500 (refused as "more than 500 scans").
  --max-work N      The most decoding a photo may ask for each byte of its
                    file, in pixels decoded, every scan counted (chroma at
                    its sampled size) and the output once more. Default:
                    16384; a complete photo asks at most a few thousand, as
                    it codes each 8 x 8 block in at least one bit. A frame
                    that claims more than a sixteenth of this per byte is
                    refused from its header, before anything is decoded
                    ("20000 x 20000 from 140 bytes"). Every photo may ask
                    for 16M more, and a frame of up to 1M pixels always
                    passes.
  -q, --quiet       verify: prints only the files that do not check out.
  --status          verify: prints nothing; only the exit status tells.
  --json            verify: one JSON object a line. Paths and reasons that
                    are valid UTF-8 are written as text; any other gets an
                    extra "path_bytes" (or "reason_bytes") field holding its
                    exact bytes in hex, the text then showing U+FFFD for the
                    bytes that are not UTF-8.
  --tsv             verify: tab-separated lines even on a terminal.
  --in-place        verify: checks a movie by reading it once where it lies,
                    without the copy into TEMP; the same codes, but never -4
                    or -5. For read-only media, a TEMP without room, or
                    movies too large to copy. The copying check is the one
                    the window makes.
  -f, --force       sign: replaces existing signed copies; render: also a
                    symbolic link at --out; key new: replaces NAME.key and
                    NAME.pub; key trust: replaces another key stored under
                    the same id. A link is replaced itself, its target never
                    written; a folder, FIFO, socket or device is never
                    replaced.
  --comment TEXT    key new: the name the key goes by, shown with every file
                    it signed (default: NAME). One line, at most 900 bytes.
  --no-passphrase   key new: stores the secret key without a passphrase.
  --passphrase-file F
                    key new, sign --key: the passphrase is the first line of
                    F (without its line end); "-" reads it from standard
                    input.
  --key NAME.key    sign: adds a strong tag signed with this secret key
                    (minisign's format; refused when others may read it).
  --trust NAME.pub  verify: trusts this public key for the run, beside the
                    keys in the folder of trusted keys. May be repeated.
  --require-strong  verify: a file fails (exit status 1) unless its strong
                    verdict is original.
  --keep-metadata   sign: carries a photo's EXIF and XMP (APP1) and ICC
                    profile (APP2) segments into its signed copy, right
                    behind the JFIF header; the pixels and the signature are
                    those of a plain signed copy.
  -o, --out FILE    sign: the signed copy of a single FILE; render: also
                    writes the rows, as a binary PPM (P6, red, green, blue)
                    or, for a name ending in .bgr, raw: 3 x width bytes a row
                    in the decoder's order, top row first. A regular file
                    there is replaced.
  --no-progress     No progress line. It shows only on a terminal, for
                    several files or one over 64 MiB, never with --json or
                    --status.
  --trace           Shows the engine's diagnostic lines on standard error
                    (one file at a time).
  --                Ends the options: everything after it is a path.
  -h, --help        Shows this text.
  --version         Shows the version.

Exit status: 0 when every file checks out (verify) or the command did its
work; 1 when any file does not check out, or on any failure (the reason on
standard error); 2 for a usage error; 130 or 143 when interrupted.
)";
}

} // namespace quillon::cli
