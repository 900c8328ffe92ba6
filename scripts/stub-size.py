#!/usr/bin/python3
"""Where the bytes of a built self-extractor stub go, by part, from its link map and sections.

    stub-size.py [--docs FILE.md] STUB.exe [STUB.exe ...]

Each stub's link map is read from sfxstub.map beside it (the build writes it there). Every byte
of the file is given to one part: the headers; the code and data of each group of objects (as
the map places them, inside the raw data of the file's sections); the import, export, resource,
relocation and 64-bit unwind sections; and padding (the linker's fill between objects and the
rest of each section up to the 512-byte file alignment). Prints a Markdown table with one column
per stub, headed by its width; exit status 1 when the parts do not add up to the file's size.
With --docs, also when the table of FILE.md (the one headed "| part | 32-bit | 64-bit |") does
not give each stub's width the same parts to the byte. Run it with Debian's /usr/bin/python3
(python3-pefile), as its first line does.
"""
import os
import re
import sys
from collections import Counter

try:
    import pefile
except ImportError:
    sys.exit(f"stub-size.py: {sys.executable} has no pefile module; run the script with Debian's "
             "/usr/bin/python3 (package python3-pefile), as its first line does")

PARTS = (
    "headers (DOS, PE, section table)",
    "reader and decoder (archive/)",
    "dialog, worker, paths, switches, program run (sfx/; System32 loading, win32/)",
    "runtime stand-ins: entry, failure routines, bucket counts (sfx/)",
    "libstdc++ and libgcc pieces",
    "MinGW runtime start-up code",
    "DLL imports: import table and call stubs",
    "export table (eight archive functions)",
    "resources: dialog",
    "resources: icon",
    "resources: manifest",
    "resources: other and directory",
    "base relocations",
    "unwind tables (.pdata/.xdata)",
    "padding (fill and file alignment)",
    "other linker-made data",
)

# Import libraries: their members are call stubs and import table pieces, except the runtime's
# own code that MinGW keeps in libmsvcrt.a (members named lib32_... or lib64_...).
IMPORT_LIBRARIES = re.compile(
    r"lib(kernel32|user32|gdi32|comctl32|shell32|ole32|oleaut32|advapi32|msvcrt|comdlg32|"
    r"winspool|uuid)\.a\((?!lib(32|64)_)")
SECTION_PARTS = {".idata": PARTS[6], ".edata": PARTS[7], ".reloc": PARTS[12],
                 ".pdata": PARTS[13], ".xdata": PARTS[13]}
RESOURCE_PARTS = {pefile.RESOURCE_TYPE["RT_DIALOG"]: PARTS[8],
                  pefile.RESOURCE_TYPE["RT_ICON"]: PARTS[9],
                  pefile.RESOURCE_TYPE["RT_GROUP_ICON"]: PARTS[9],
                  pefile.RESOURCE_TYPE["RT_MANIFEST"]: PARTS[10]}


def part_of_object(path):
    name = path.replace("\\", "/")
    if IMPORT_LIBRARIES.search(name):
        return PARTS[6]
    if "libstdc++" in name or "libgcc" in name:
        return PARTS[4]
    if any(f"/{source}.cpp" in name for source in ("entry", "runtime_failures", "hash_table_sizes")):
        return PARTS[3]
    if name.startswith("archive/") or "/archive/" in name:
        return PARTS[1]
    if name.startswith(("sfx/", "win32/")) or "/sfx/" in name or "system_libraries" in name:
        return PARTS[2]
    return PARTS[5]  # crt2.o, crtbegin.o, libmingw32, libmingwex and the like


def map_contributions(map_path):
    """(address, size, part) of every input section, fill and linker-made datum in the map."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    start = text.find("Linker script and memory map")
    lines = text[start:].splitlines() if start >= 0 else []
    pieces = []
    pending = None  # an input section's name on a line of its own, numbers on the next
    for line in lines:
        fields = line.split()
        if not fields:
            continue
        if line.startswith(" ") and len(fields) == 1 and fields[0].startswith("."):
            pending = fields[0]
            continue
        if fields[0] == "*fill*" and len(fields) >= 3:
            pieces.append((int(fields[1], 16), int(fields[2], 16), PARTS[14]))
        elif (len(fields) >= 4 and line.startswith(" .") and fields[1].startswith("0x")
              and fields[2].startswith("0x")):
            pieces.append((int(fields[1], 16), int(fields[2], 16),
                           part_of_object(" ".join(fields[3:]))))
        elif (pending and len(fields) >= 3 and fields[0].startswith("0x")
              and fields[1].startswith("0x")):
            if fields[2] in ("LONG", "QUAD", "BYTE", "SHORT"):
                pieces.append((int(fields[0], 16), int(fields[1], 16), PARTS[15]))
            else:
                pieces.append((int(fields[0], 16), int(fields[1], 16),
                               part_of_object(" ".join(fields[2:]))))
        elif len(fields) >= 3 and fields[0].startswith("0x") and fields[1].startswith("0x") \
                and fields[2] in ("LONG", "QUAD"):
            pieces.append((int(fields[0], 16), int(fields[1], 16), PARTS[15]))
        pending = None
    return pieces


def resource_parts(pe, section):
    """The bytes of each resource type inside the resource section, by part."""
    sizes = Counter()
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for type_entry in root.entries if root else []:
        part = RESOURCE_PARTS.get(type_entry.id, PARTS[11])
        for name_entry in type_entry.directory.entries:
            for language in name_entry.directory.entries:
                sizes[part] += language.data.struct.Size
    used = sum(sizes.values())
    sizes[PARTS[11]] += min(section.Misc_VirtualSize, section.SizeOfRawData) - used
    return sizes


def measure(exe_path):
    with open(exe_path, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data)
    base = pe.OPTIONAL_HEADER.ImageBase
    sizes = Counter()
    sections = sorted((s for s in pe.sections if s.SizeOfRawData), key=lambda s: s.PointerToRawData)
    sizes[PARTS[0]] = sections[0].PointerToRawData if sections else len(data)
    pieces = map_contributions(os.path.join(os.path.dirname(exe_path), "sfxstub.map"))
    for section in sections:
        raw = section.SizeOfRawData
        name = section.Name.rstrip(b"\0").decode("ascii", "replace")
        used = min(section.Misc_VirtualSize, raw)
        if name == ".rsrc":
            sizes.update(resource_parts(pe, section))
        elif name in SECTION_PARTS:
            sizes[SECTION_PARTS[name]] += used
        else:
            low = base + section.VirtualAddress
            counted = 0
            for address, size, part in pieces:
                end = min(address + size, low + used)
                if address >= low and end > address:
                    sizes[part] += end - address
                    counted += end - address
            sizes[PARTS[14]] += used - counted  # alignment the map does not name
        sizes[PARTS[14]] += raw - used
    after = len(data) - max(s.PointerToRawData + s.SizeOfRawData for s in sections)
    if after:
        sizes["after the last section"] = after
    bits = 64 if pe.OPTIONAL_HEADER.Magic == 0x20B else 32
    return len(data), sizes, bits


def documented_table(doc_path):
    """{column heading: {part: bytes}} of the parts table in a Markdown document."""
    columns = {}
    headings = None
    with open(doc_path, encoding="utf-8") as f:
        for line in f:
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if headings is None:
                if cells[0] == "part" and len(cells) > 1:
                    headings = cells[1:]
                    columns = {h: {} for h in headings}
                continue
            if not line.startswith("|"):
                break
            if set(cells[0]) <= set("-:"):
                continue
            for heading, cell in zip(headings, cells[1:]):
                columns[heading][cells[0].strip("*")] = int(cell.strip("*").replace(",", ""))
    return columns


def differences_from_docs(doc_path, results):
    """Lines naming each part whose documented size is not the measured one."""
    columns = documented_table(doc_path)
    lines = []
    for path, (total, sizes, bits) in results:
        documented = columns.get(f"{bits}-bit")
        if documented is None:
            lines.append(f"{doc_path}: no {bits}-bit column in its parts table")
            continue
        measured = {part: size for part, size in sizes.items() if size}
        measured["file"] = total
        for part in sorted(set(measured) | set(documented)):
            if measured.get(part, 0) != documented.get(part, 0):
                lines.append(f"{doc_path}: {bits}-bit '{part}': documented "
                             f"{documented.get(part, 0):,}, measured {measured.get(part, 0):,} ({path})")
    return lines


def main():
    paths = sys.argv[1:]
    doc_path = None
    if paths[:1] == ["--docs"] and len(paths) > 1:
        doc_path, paths = paths[1], paths[2:]
    if not paths:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    results = [measure(path) for path in paths]
    rows = list(PARTS) + sorted({k for _, s, _ in results for k in s} - set(PARTS))
    print("| part | " + " | ".join(f"{bits}-bit" for _, _, bits in results) + " |")
    print("|---|" + "---:|" * len(paths))
    for row in rows:
        if any(sizes[row] for _, sizes, _ in results):
            print(f"| {row} | " + " | ".join(f"{sizes[row]:,}" for _, sizes, _ in results) + " |")
    print("| **file** | " + " | ".join(f"**{total:,}**" for total, _, _ in results) + " |")
    failed = False
    if doc_path:
        differences = differences_from_docs(doc_path, list(zip(paths, results)))
        for line in differences:
            print(line, file=sys.stderr)
        if differences:
            print(f"stub-size.py: make the table of {doc_path} again from this output",
                  file=sys.stderr)
            failed = True
    for path, (total, sizes, _) in zip(paths, results):
        if sum(sizes.values()) != total or any(v < 0 for v in sizes.values()):
            print(f"stub-size.py: {path}: the parts add up to {sum(sizes.values()):,} bytes, "
                  f"the file has {total:,}", file=sys.stderr)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
