"""vexa.dll as built: its exports are the self-extractor's eight C++ names plus the eight C names
(undecorated, on 32 bits too), it imports only KERNEL32 and msvcrt, its version resource
names it, and vexa.lib is a COFF import library of the same width holding all sixteen.

    check_dll.py VEXA.DLL SFXSTUB.EXE VEXA.LIB OBJDUMP VERSION
"""
import subprocess
import sys

import pefile

C_NAMES = {
    "vexa_OpenStream", "vexa_GetNumFiles", "vexa_EnumerateFiles", "vexa_GetFileInfo",
    "vexa_DecompressToFile", "vexa_CloseStream", "vexa_CancelOperation", "vexa_GetErrorString",
}


def exports(image):
    return {e.name.decode() for e in image.DIRECTORY_ENTRY_EXPORT.symbols if e.name}


def version_strings(image):
    strings = {}
    for info in getattr(image, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def main():
    dll_path, stub_path, lib_path, objdump, version = sys.argv[1:6]
    failures = []
    dll = pefile.PE(dll_path)
    stub = pefile.PE(stub_path)
    stub_names = exports(stub)
    dll_names = exports(dll)
    if len(stub_names) != 8 or stub_names & C_NAMES:
        failures.append(f"the stub's exports changed: {sorted(stub_names)}")
    if dll_names != stub_names | C_NAMES:
        failures.append(f"vexa.dll exports {sorted(dll_names)}")
    if dll.DIRECTORY_ENTRY_EXPORT.name != b"vexa.dll":
        failures.append(f"export directory named {dll.DIRECTORY_ENTRY_EXPORT.name}")
    if dll.FILE_HEADER.Machine != stub.FILE_HEADER.Machine:
        failures.append("vexa.dll and the stub differ in width")
    imports = {i.dll.decode().lower() for i in dll.DIRECTORY_ENTRY_IMPORT}
    if imports != {"kernel32.dll", "msvcrt.dll"}:
        failures.append(f"vexa.dll imports {sorted(imports)}")
    strings = version_strings(dll)
    for key, value in (("FileDescription", "Vexa archive reader"),
                       ("OriginalFilename", "vexa.dll"), ("FileVersion", version)):
        if strings.get(key) != value:
            failures.append(f"version resource {key} is {strings.get(key)!r}")

    formats = subprocess.run([objdump, "-a", lib_path], capture_output=True, text=True,
                             check=True).stdout
    want = "pe-i386" if dll.FILE_HEADER.Machine == 0x14C else "pe-x86-64"
    members = [line for line in formats.splitlines() if "file format" in line]
    if not members or any(not line.endswith(want) for line in members):
        failures.append(f"vexa.lib members are not all {want}")
    symbols = subprocess.run([objdump, "-t", lib_path], capture_output=True, text=True,
                             check=True).stdout
    prefix = "_" if want == "pe-i386" else ""  # the C symbol decoration of 32-bit Windows
    for name in sorted(dll_names):
        if f"__imp_{prefix}{name}" not in symbols:
            failures.append(f"vexa.lib lacks __imp_{prefix}{name}")

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"vexa.dll: {len(dll_names)} exports, imports {sorted(imports)}, "
              f"vexa.lib {want} with every import")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
