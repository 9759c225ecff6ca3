// The command line taken apart (which command, its options and its paths),
// the site code as the commands receive it, and the texts that explain the tool.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

enum class TCommand { None, Verify, Sign, Render, Comment, Key };

struct TOptions {
    TCommand Command = TCommand::None;
    bool Help = false;
    bool Version = false;
    bool Trace = false;
    bool Json = false;
    bool Tsv = false;        // verify: tab-separated lines even on a terminal
    bool Quiet = false;      // verify: only the files that do not check out
    bool StatusOnly = false; // verify: nothing printed, the exit status tells
    bool NoProgress = false;
    bool InPlace = false;                // verify: movies without the copy in TEMP
    bool Force = false;                  // sign, render, key: replace existing files
    bool NoPassphrase = false;           // key new: store the secret key unprotected
    bool KeepMetadata = false;           // sign: carry EXIF, XMP and ICC segments over
    bool RequireStrong = false;          // verify: a file without a trusted original tag fails
    int Jobs = 0;                        // files at once; 0: one a core
    uint64_t MaxMemory = 0;              // bytes one photo's decoding may take; 0: default
    uint64_t MaxPixels = 0;              // a photo's width x height; 0: default
    uint64_t MaxScans = 0;               // scans of a photo; 0: default
    uint64_t MaxWork = 0;                // decoding work per byte of a photo; 0: default
    std::optional<std::string> SiteCode; // "-": the first line of standard input
    std::optional<std::string> OutPath;
    std::optional<std::string> KeyComment;     // key new --comment
    std::optional<std::string> PassphraseFile; // key new, sign --key; "-": standard input
    std::optional<std::string> SigningKey;     // sign --key: the secret key file
    std::vector<std::string> TrustFiles;       // verify --trust: public keys trusted for the run
    std::vector<std::string> Paths;
};

struct TParseResult {
    TOptions Options;
    std::string Error; // empty when the command line is usable
};

// Args excludes the program name. --help and --version win over every
// other problem.
TParseResult ParseCommandLine(const std::vector<std::string>& Args);

// The first line of In without its line end ("\n", or "\r\n"); "" when In is
// empty. Blanks and every other byte are kept: they are part of the key.
// None when the line is longer than the longest site code, found after
// reading at most that many bytes and a line end (In may never end).
std::optional<std::string> ReadSiteCodeLine(std::istream& In);

// The full explanation printed by --help.
std::string_view HelpText();
// The short reminder printed after a usage error.
std::string_view UsageText();
// "quillon-cli <version>".
std::string VersionText();

} // namespace quillon::cli
