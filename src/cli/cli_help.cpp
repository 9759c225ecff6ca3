#include "cli_help.h"

namespace quillon::cli {

std::string_view UsageText() {
    return "usage: quillon-cli verify --site-code CODE [--json] PATH...\n"
           "       quillon-cli sign --site-code CODE SRC [DST]\n"
           "       quillon-cli render PATH [--out FILE]\n"
           "       quillon-cli comment PATH\n"
           "       quillon-cli --help\n";
}

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
           (TMPDIR or /tmp when TEMP is unset) and removes the copy after.
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
  --json            verify: one JSON object a line, {"path", "code",
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
