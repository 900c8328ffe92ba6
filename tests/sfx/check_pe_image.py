#!/usr/bin/python3
"""Checks a built Windows program by reading the file, without running it.

    check_pe_image.py {stub,tool} --width {32,64} FILE

`stub` is sfxstub.exe (GUI, the eight archive functions exported by name, no msvcrt import that
needs the runtime's start-up code, its resources, small, no archive signature in the image,
nothing after the last section); `tool` is vexa.exe (console, aware of long paths). Both
carry a manifest (asInvoker, Windows 7 to 11; the stub per-monitor DPI aware). Each may import only the DLLs on
its own list, all of them KnownDLLs, which Windows always takes from the system: a MinGW runtime
DLL would be missing on the user's machine, and any other DLL (comctl32, shell32, ...) would be
looked for in the program's own folder first, where a download may have put one. The programs
load those from System32 at run time instead. Every check prints a line; a failed one says what
was expected and what was found.
Exit status 1 when any check fails. Run it with Debian's /usr/bin/python3 (python3-pefile).
"""
import argparse
import sys
from collections import namedtuple
from xml.etree import ElementTree

try:
    import pefile
except ImportError:
    print("FAIL pefile: expected the pefile module (Debian's python3-pefile, run with "
          "/usr/bin/python3), found none for " + sys.executable)
    sys.exit(1)

# The first 8 bytes of an archive. The stub finds its archive by scanning for them, so they must
# not occur in the stub itself.
ARCHIVE_SIGNATURE = bytes.fromhex("564558410100008F")
MAX_STUB_SIZE = 73728
STUB_IMPORTS = ("KERNEL32.dll", "USER32.dll", "msvcrt.dll")
TOOL_IMPORTS = ("KERNEL32.dll", "msvcrt.dll")
STUB_EXPORTS = ("vexa_OpenStream", "vexa_GetNumFiles", "vexa_EnumerateFiles",
                "vexa_GetFileInfo", "vexa_DecompressToFile", "vexa_CloseStream",
                "vexa_CancelOperation", "vexa_GetErrorString")
# msvcrt.dll fills these only when the runtime's start-up code asks it to, and the stub starts
# without that code (sfx/entry.cpp): its command line comes through WinMain, and nothing may be
# left for exit to run.
STARTUP_IMPORTS = ("__getmainargs", "__argc", "__argv", "__wargv", "__p___argc", "__p___argv",
                   "__p___wargv", "_onexit", "atexit")
IDD_EXTRACT = 129
IDI_APPLICATION_ICON = 107
MANIFEST_ID = 1  # CREATEPROCESS_MANIFEST_RESOURCE_ID

Width = namedtuple("Width", "format magic machine_name machine manifest_arch")
WIDTHS = {
    32: Width("PE32", pefile.OPTIONAL_HEADER_MAGIC_PE, "i386",
              pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], "x86"),
    64: Width("PE32+", pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS, "AMD64",
              pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], "amd64"),
}
SUBSYSTEM_GUI = pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]
SUBSYSTEM_CONSOLE = pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"]

Result = namedtuple("Result", "passed expected found")


class Image:
    """The file's bytes and its parsed headers."""

    def __init__(self, path, width):
        with open(path, "rb") as f:
            self.data = f.read()
        self.pe = pefile.PE(data=self.data)
        self.width = WIDTHS[width]

    def resource(self, type_id, name_id):
        """The bytes of the first language of a resource, or None."""
        root = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for type_entry in root.entries if root else []:
            if type_entry.id != type_id:
                continue
            for name_entry in type_entry.directory.entries:
                if name_entry.id == name_id and name_entry.directory.entries:
                    data = name_entry.directory.entries[0].data.struct
                    return self.pe.get_data(data.OffsetToData, data.Size)
        return None

    def raw_end(self):
        """Where the last section's raw data ends: an appended archive starts there."""
        return max((s.PointerToRawData + s.SizeOfRawData for s in self.pe.sections), default=0)


def check_format(image):
    w = image.width
    magic = image.pe.OPTIONAL_HEADER.Magic
    machine = image.pe.FILE_HEADER.Machine
    found_format = {pefile.OPTIONAL_HEADER_MAGIC_PE: "PE32",
                    pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS: "PE32+"}.get(magic, f"magic {magic:#x}")
    found_machine = {v.machine: v.machine_name for v in WIDTHS.values()}.get(
        machine, f"machine {machine:#x}")
    return Result(magic == w.magic and machine == w.machine,
                  f"{w.format} for {w.machine_name}", f"{found_format} for {found_machine}")


def subsystem_check(wanted):
    def check(image):
        found = image.pe.OPTIONAL_HEADER.Subsystem
        return Result(found == wanted, pefile.SUBSYSTEM_TYPE[wanted],
                      pefile.SUBSYSTEM_TYPE.get(found, str(found)))
    return check


def imports_check(allowed):
    def check(image):
        dlls = [entry.dll.decode("ascii", "replace")
                for entry in getattr(image.pe, "DIRECTORY_ENTRY_IMPORT", [])]
        lowered = [dll.lower() for dll in allowed]
        foreign = [dll for dll in dlls if dll.lower() not in lowered]
        found = ", ".join(dlls) or "no imports"
        if foreign:
            found += "; not allowed: " + ", ".join(foreign)
        return Result(bool(dlls) and not foreign, "imports from " + ", ".join(allowed) + " only",
                      found)
    return check


def check_no_startup_imports(image):
    found = [imported.name.decode("ascii", "replace")
             for entry in getattr(image.pe, "DIRECTORY_ENTRY_IMPORT", [])
             if entry.dll.lower() == b"msvcrt.dll"
             for imported in entry.imports
             if imported.name and imported.name.decode("ascii", "replace") in STARTUP_IMPORTS]
    return Result(not found, "none of msvcrt's " + ", ".join(STARTUP_IMPORTS),
                  ", ".join(found) or "none")


def exported_as(function, name):
    # A GCC-mangled name holds the identifier after its length ("_Z15vexa_OpenStreamPPvPKcj"),
    # which tells vexa_OpenStream from a longer name that starts with it.
    return name == function or f"{len(function)}{function}" in name


def check_exports(image):
    directory = getattr(image.pe, "DIRECTORY_ENTRY_EXPORT", None)
    symbols = directory.symbols if directory else []
    names = [s.name.decode("ascii", "replace") for s in symbols if s.name]
    wrong = []
    for function in STUB_EXPORTS:
        matches = [name for name in names if exported_as(function, name)]
        if len(matches) != 1:
            wrong.append(f"{function}: {len(matches)} ({', '.join(matches) or 'none'})")
    return Result(not wrong, "one export by name for each of " + ", ".join(STUB_EXPORTS),
                  "; ".join(wrong) or "one each")


ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
# Windows 7, 8, 8.1 and 10/11: a Windows not named runs the program as it would an old one.
SUPPORTED_OS = ("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")
# <windowsSettings> elements and their values: the stub is per-monitor DPI aware (v2, falling
# back to v1), vexa.exe takes paths beyond MAX_PATH.
STUB_SETTINGS = {SETTINGS_2005 + "dpiAware": "true/pm",
                 SETTINGS_2016 + "dpiAwareness": "PerMonitorV2, PerMonitor"}
TOOL_SETTINGS = {SETTINGS_2016 + "longPathAware": "true"}


def local_name(tag):
    return tag.split("}")[-1]


def manifest_faults(text, arch, settings):
    """What the manifest text lacks or has wrong, as a list of phrases."""
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return [f"well-formed XML ({error})"]
    faults = []
    identity = root.find(ASM_V1 + "assemblyIdentity")
    if identity is None or identity.get("processorArchitecture") != arch:
        faults.append(f'processorArchitecture="{arch}"')
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        faults.append(f"requestedExecutionLevel asInvoker (found {levels or 'none'})")
    named = {e.get("Id", "").lower() for e in root.iter(COMPATIBILITY + "supportedOS")}
    faults += [f"supportedOS {guid}" for guid in SUPPORTED_OS if guid not in named]
    for tag, wanted in settings.items():
        values = [(e.text or "").strip() for e in root.iter(tag)]
        if values != [wanted]:
            faults.append(f"{local_name(tag)} {wanted} (found {values or 'none'})")
    # A Common Controls 6 dependency would give the dialog the themed controls' look.
    for identity in root.iter(ASM_V1 + "assemblyIdentity"):
        if identity.get("name") == "Microsoft.Windows.Common-Controls":
            faults.append("no Common-Controls dependency")
    return faults


def manifest_check(settings):
    def check(image):
        wanted = ", ".join(f"{local_name(tag)} {value}" for tag, value in settings.items())
        expected = (f"RT_MANIFEST {MANIFEST_ID} with asInvoker, the supportedOS of Windows 7 to "
                    f"11, {wanted}")
        data = image.resource(pefile.RESOURCE_TYPE["RT_MANIFEST"], MANIFEST_ID)
        if data is None:
            return Result(False, expected, f"no RT_MANIFEST {MANIFEST_ID}")
        faults = manifest_faults(data, image.width.manifest_arch, settings)
        return Result(not faults, expected, "lacking " + "; ".join(faults) if faults else
                      f"all, {len(data)} bytes")
    return check


def check_dialog(image):
    present = image.resource(pefile.RESOURCE_TYPE["RT_DIALOG"], IDD_EXTRACT) is not None
    return Result(present, f"RT_DIALOG {IDD_EXTRACT}", "present" if present else "none")


def check_icon_group(image):
    expected = f"RT_GROUP_ICON {IDI_APPLICATION_ICON} and every RT_ICON it names"
    group = image.resource(pefile.RESOURCE_TYPE["RT_GROUP_ICON"], IDI_APPLICATION_ICON)
    if group is None or len(group) < 6:
        return Result(False, expected, f"no RT_GROUP_ICON {IDI_APPLICATION_ICON}")
    count = int.from_bytes(group[4:6], "little")
    # GRPICONDIRENTRY: 14 bytes, the icon's resource id in the last two.
    ids = [int.from_bytes(group[6 + 14 * i + 12:6 + 14 * i + 14], "little") for i in range(count)]
    missing = [i for i in ids
               if image.resource(pefile.RESOURCE_TYPE["RT_ICON"], i) is None]
    found = f"{count} icons" + (f"; RT_ICON missing: {missing}" if missing else "")
    return Result(count > 0 and not missing, expected, found)


def check_size(image):
    return Result(len(image.data) <= MAX_STUB_SIZE, f"at most {MAX_STUB_SIZE} bytes",
                  f"{len(image.data)} bytes")


def check_no_signature(image):
    at = image.data.find(ARCHIVE_SIGNATURE)
    return Result(at < 0, "no archive signature " + ARCHIVE_SIGNATURE.hex(" ").upper(),
                  "none" if at < 0 else f"at offset {at}")


def check_ends_at_last_section(image):
    end = image.raw_end()
    return Result(len(image.data) == end,
                  f"the file ends where the last section's raw data does ({end})",
                  f"{len(image.data)} bytes")


CHECKS = {
    "stub": [
        ("format", check_format),
        ("subsystem", subsystem_check(SUBSYSTEM_GUI)),
        ("imports", imports_check(STUB_IMPORTS)),
        ("startup", check_no_startup_imports),
        ("exports", check_exports),
        ("manifest", manifest_check(STUB_SETTINGS)),
        ("dialog", check_dialog),
        ("icon", check_icon_group),
        ("size", check_size),
        ("signature", check_no_signature),
        ("end", check_ends_at_last_section),
    ],
    "tool": [
        ("format", check_format),
        ("subsystem", subsystem_check(SUBSYSTEM_CONSOLE)),
        ("imports", imports_check(TOOL_IMPORTS)),
        ("manifest", manifest_check(TOOL_SETTINGS)),
    ],
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", choices=sorted(CHECKS))
    parser.add_argument("--width", type=int, choices=sorted(WIDTHS), required=True)
    parser.add_argument("file")
    args = parser.parse_args()
    try:
        image = Image(args.file, args.width)
    except (OSError, pefile.PEFormatError) as error:
        print(f"FAIL pe: expected a PE image in {args.file}, found: {error}")
        return 1
    failed = 0
    for name, check in CHECKS[args.kind]:
        result = check(image)
        if result.passed:
            print(f"ok   {name}: {result.found}")
        else:
            failed += 1
            print(f"FAIL {name}: expected {result.expected}; found {result.found}")
    print(f"{args.file}: {len(CHECKS[args.kind])} checks, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
