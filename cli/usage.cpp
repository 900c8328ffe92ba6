#include "usage.h"

namespace vexa::cli {

#ifndef VEXA_VERSION
#define VEXA_VERSION "unknown"
#endif

const char* const kVersionText = "vexa (Tarnwick Archiver) " VEXA_VERSION "\n";

const char* const kToolUsage =
    "Usage: vexa COMMAND [OPTIONS] ARGUMENTS...\n"
    "Creates, lists, tests and extracts Vexa archives, and makes self-extractors.\n"
    "\n"
    "Commands:\n"
    "  create ARCHIVE PATH...      pack files and directories into a new archive\n"
    "  list ARCHIVE                show the entries of an archive or a self-extractor\n"
    "  test ARCHIVE                decode every entry and check its CRC\n"
    "  extract ARCHIVE [NAME...]   extract every entry, or the named ones\n"
    "  sfx OUTPUT.exe (--archive ARCHIVE | PATH...)\n"
    "                              make a self-extractor from the stub and an archive\n"
    "\n"
    "Run 'vexa help COMMAND' (or 'vexa COMMAND --help') for the options of a command,\n"
    "'vexa --version' for the version.\n"
    "Data goes to standard output, messages and progress to standard error.\n"
    "Exit status: 0 success, 1 some entries failed, 2 usage error or the archive\n"
    "cannot be opened or written.\n";

const char* const kCreateUsage =
    "Usage: vexa create [OPTIONS] ARCHIVE PATH...\n"
    "Packs files and directories into ARCHIVE.\n"
    "\n"
    "Directories are walked recursively in byte order of the names. Each entry is named\n"
    "relative to the parent of the PATH it came from ('docs/a.txt' is stored as\n"
    "'docs\\a.txt'; the contents of '.' are stored under their own names), with backslashes\n"
    "between levels. Names may have at most 99 bytes. Read-only state and modification\n"
    "time are stored. Empty directories are not stored. The same inputs give the same\n"
    "archive, byte for byte. Nothing is written when an input cannot be stored; the\n"
    "archive appears under its name only once it is complete.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet        no progress output\n"
    "  -j, --threads N    encoding threads (default: one per core)\n"
    "  -h, --help         show this help\n";

const char* const kListUsage =
    "Usage: vexa list ARCHIVE\n"
    "Lists the entries of ARCHIVE, a plain archive or any file with an archive appended\n"
    "(such as a self-extractor): size, packed size, ratio, CRC-32, attributes (R read-only,\n"
    "H hidden, S system, V volume, D directory, A archive), modification time (UTC) and\n"
    "name, then a total line.\n"
    "\n"
    "Options:\n"
    "  -h, --help         show this help\n";

const char* const kTestUsage =
    "Usage: vexa test [OPTIONS] ARCHIVE\n"
    "Decodes every entry of ARCHIVE and checks its CRC-32, without writing any file.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet        no progress output\n"
    "  -h, --help         show this help\n";

const char* const kExtractUsage =
    "Usage: vexa extract [OPTIONS] ARCHIVE [NAME...]\n"
    "Extracts every entry of ARCHIVE, or only the named ones (as 'vexa list' shows them;\n"
    "'/' may stand for '\\'), creating directories as needed. Entries whose names could\n"
    "escape the destination or name a device are refused. Existing files are skipped\n"
    "unless --overwrite is given. A failed entry is reported and the others go on.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR   extract into DIR (created if missing; default: current directory)\n"
    "  -y, --overwrite    replace existing files, read-only ones too\n"
    "  -q, --quiet        no progress output\n"
    "  -h, --help         show this help\n";

const char* const kSfxUsage =
    "Usage: vexa sfx [OPTIONS] OUTPUT.exe (--archive ARCHIVE | PATH...)\n"
    "Writes a self-extractor: the stub followed by an archive, either an existing ARCHIVE\n"
    "or one packed from PATH... as 'vexa create' does. The result is checked to open with\n"
    "the expected number of entries before it appears under its name.\n"
    "\n"
    "Without --stub, the stub is sfxstub.exe beside this program, else\n"
    "../share/vexa/sfxstub.exe from this program's folder (where an installation puts it).\n"
    "A stub that carries an Authenticode signature is used without it (the appended\n"
    "archive would break it): sign the finished self-extractor instead.\n"
    "\n"
    "Options:\n"
    "  -a, --archive ARCHIVE   append this archive instead of packing PATHs\n"
    "  -s, --stub FILE         the stub (default: see above)\n"
    "  -d, --default-dest DIR  destination the self-extractor proposes (at most 255 bytes,\n"
    "                          no control characters); %NAME% environment variables in it,\n"
    "                          such as %TEMP% or %ProgramFiles%, are expanded on the user's\n"
    "                          machine when Extract is pressed\n"
    "  -j, --threads N         encoding threads (default: one per core)\n"
    "  -q, --quiet             no progress output\n"
    "  -h, --help              show this help\n";

}  // namespace vexa::cli
