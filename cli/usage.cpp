#include "usage.h"

namespace vexa::cli {

#ifndef VEXA_VERSION
#define VEXA_VERSION "unknown"
#endif

const char* const kVersionText =
    "vexa (Tarnwick Archiver) " VEXA_VERSION
    "\n"
    "Copyright (c) 2026 Tarnwick Archiver developers.\n"
    "License: MIT <https://opensource.org/licenses/MIT>. This is free software: you are free\n"
    "to change and redistribute it. There is NO WARRANTY, to the extent permitted by law.\n";

const char* const kToolUsage =
    "Usage: vexa COMMAND [OPTIONS] ARGUMENTS...\n"
    "Creates, lists, tests and extracts Vexa archives, and makes self-extractors.\n"
    "\n"
    "Commands:\n"
    "  create ARCHIVE PATH...      pack files and directories into a new archive\n"
    "  list ARCHIVE [PATTERN...]   show the entries of an archive or a self-extractor\n"
    "  test ARCHIVE                decode every entry and check its CRC\n"
    "  extract ARCHIVE [PATTERN...]\n"
    "                              extract every entry, or the selected ones\n"
    "  sfx OUTPUT.exe (--archive ARCHIVE | PATH...)\n"
    "                              make a self-extractor from the stub and an archive\n"
    "  info FILE.exe               show a self-extractor's icon, title, version information\n"
    "                              and archive\n"
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
    "Entry names are stored in the ANSI code page of the Windows machines that will\n"
    "extract the archive (the self-extractor hands them to Windows as they are). Choose\n"
    "it with --codepage: 1252 Western Europe and the Americas (the default), 1250\n"
    "Central Europe, 1251 Cyrillic, 1253 Greek, 1254 Turkish, 1255 Hebrew, 1256 Arabic,\n"
    "1257 Baltic, 1258 Vietnamese, 874 Thai, 932 Japanese, 936 Simplified Chinese,\n"
    "949 Korean, 950 Traditional Chinese. A Windows machine shows its own with\n"
    "'Get-ItemPropertyValue HKLM:\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage ACP'\n"
    "in PowerShell. A name the code page cannot hold is refused, and so are names that\n"
    "differ only in case (they would be one file on Windows).\n"
    "\n"
    "Options:\n"
    "  -q, --quiet          no progress output\n"
    "  -j, --threads N      encoding threads (default: one per core)\n"
    "  -x, --exclude PAT    leave out what matches PAT: a file or folder name, or an\n"
    "                       entry name such as 'docs\\old' (* and ?, case ignored);\n"
    "                       repeatable\n"
    "      --codepage CP    code page of the stored names (default 1252; see above)\n"
    "  -h, --help           show this help\n";

const char* const kListUsage =
    "Usage: vexa list [OPTIONS] ARCHIVE [PATTERN...]\n"
    "Lists the entries of ARCHIVE, a plain archive or any file with an archive appended\n"
    "(such as a self-extractor): size, packed size, ratio, CRC-32, attributes (R read-only,\n"
    "H hidden, S system, V volume, D directory, A archive), modification time (UTC) and\n"
    "name, then a total line. PATTERNs select entries as for 'vexa extract'. An entry\n"
    "whose name an earlier entry already has is marked as shadowed.\n"
    "\n"
    "Options:\n"
    "      --codepage CP  code page the names were stored in (default 1252)\n"
    "  -h, --help         show this help\n";

const char* const kTestUsage =
    "Usage: vexa test [OPTIONS] ARCHIVE\n"
    "Decodes every entry of ARCHIVE and checks its CRC-32, without writing any file.\n"
    "An entry shadowed by an earlier entry of the same name counts as a problem.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet        no progress output\n"
    "      --codepage CP  code page the names were stored in (default 1252)\n"
    "  -h, --help         show this help\n";

const char* const kExtractUsage =
    "Usage: vexa extract [OPTIONS] ARCHIVE [PATTERN...]\n"
    "Extracts every entry of ARCHIVE, or only those a PATTERN selects: a name as 'vexa\n"
    "list' shows it, with * and ? matching any characters ('/' and '\\' alike, case\n"
    "ignored), or a folder, which selects everything below it. Directories are created\n"
    "as needed; no symbolic link below the destination is followed. Each file is written\n"
    "under a temporary name and takes its own name only once its CRC matched, so an\n"
    "interrupted or failed entry leaves nothing behind. Entries whose names could escape\n"
    "the destination or name a device are refused. Existing files are skipped unless\n"
    "--overwrite is given. A failed entry is reported and the others go on.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR   extract into DIR (created if missing; default: current directory)\n"
    "  -y, --overwrite    replace existing files, read-only ones too\n"
    "  -c, --stdout       write the selected entries' content to standard output\n"
    "      --codepage CP  code page the names were stored in (default 1252)\n"
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
    "That 32-bit stub runs on every Windows; --x64 takes the 64-bit one, sfxstub64.exe from\n"
    "the same places, for Windows without 32-bit support (Windows PE and recovery\n"
    "environments, Server installations without WOW64).\n"
    "A stub that carries an Authenticode signature is used without it (the appended\n"
    "archive would break it): sign the finished self-extractor instead.\n"
    "\n"
    "--icon, --title and --version-info give the self-extractor its maker's looks: the\n"
    "icon Explorer and the taskbar show, the caption of its window, and the fields under\n"
    "Properties, Details. Version fields: Comments, CompanyName, FileDescription,\n"
    "FileVersion, InternalName, LegalCopyright, LegalTrademarks, OriginalFilename,\n"
    "PrivateBuild, ProductName, ProductVersion, SpecialBuild. FileVersion and\n"
    "ProductVersion are version numbers (1 to 4 parts, as 2.1 or 1.0.3.12) and also set\n"
    "the numeric versions. Without these options the stub is used as it is.\n"
    "\n"
    "Options:\n"
    "  -a, --archive ARCHIVE   append this archive instead of packing PATHs\n"
    "  -s, --stub FILE         the stub (default: see above)\n"
    "      --x64               use the 64-bit stub (default: the 32-bit one)\n"
    "  -d, --default-dest DIR  destination the self-extractor proposes (at most 255 bytes,\n"
    "                          no control characters); %NAME% environment variables in it,\n"
    "                          such as %TEMP% or %ProgramFiles%, are expanded on the user's\n"
    "                          machine when Extract is pressed\n"
    "  -j, --threads N         encoding threads (default: one per core)\n"
    "  -x, --exclude PAT       leave out what matches PAT, as 'vexa create' does\n"
    "      --codepage CP       ANSI code page of the Windows machines that will run the\n"
    "                          self-extractor (default 1252; see 'vexa create --help')\n"
    "      --icon FILE.ico     the icon: every image of a Windows icon file (any size and\n"
    "                          depth, PNG-compressed ones too)\n"
    "      --title TEXT        the caption of the self-extractor's window\n"
    "      --version-info KEY=VALUE\n"
    "                          a version field (see above); repeatable\n"
    "  -q, --quiet             no progress output\n"
    "  -h, --help              show this help\n";

const char* const kInfoUsage =
    "Usage: vexa info [OPTIONS] FILE.exe\n"
    "Shows what a self-extractor (or any Windows program) shows of itself, one 'Field:\n"
    "value' line each, for a person or a build script to check: the machine it runs on,\n"
    "where its archive starts and how many entries it holds, the caption of its window,\n"
    "its icon images (width x height, bits per pixel, bytes), the numeric file and\n"
    "product versions and every version text field.\n"
    "\n"
    "Options:\n"
    "  -h, --help         show this help\n";

}  // namespace vexa::cli
