#!/usr/bin/python3
"""A self-extractor in its maker's colours, made by the built vexa and read back by independent
readers: pefile for the headers, sections, checksum, dialog and version resource; icoutils'
wrestool and icotool for the icon group, compared image by image with the input icon.

    branding_session.py VEXA STUB WIDTH WORK

WIDTH is 32 or 64. Needs ImageMagick's convert (the test icon, with a 256-pixel PNG image),
wrestool, icotool, osslsigncode and openssl. Run it with Debian's /usr/bin/python3.
"""
import os
import shutil
import struct
import subprocess
import sys

import pefile

VEXA, STUB, WIDTH, WORK = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
SIGNATURE = bytes.fromhex("564558410100008F")
TITLE = "Acme Setup — Größe 日本"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def run(*args, expect=0):
    result = subprocess.run(list(args), cwd=WORK, capture_output=True, text=True)
    if result.returncode != expect:
        sys.exit("%s: exit %d, expected %d\n%s%s" % (" ".join(args), result.returncode, expect,
                                                    result.stdout, result.stderr))
    return result.stdout + result.stderr


def work(name):
    return os.path.join(WORK, name)


def read(name):
    with open(work(name), "rb") as f:
        return f.read()


def write(name, data):
    path = work(name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def ico_images(data):
    """The images of an .ico file: (width, height, bytes), in file order."""
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for i in range(count):
        w, h, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((w or 256, h or 256, data[offset:offset + size]))
    return images


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
for name, data in [("pkg/readme.txt", b"Acme sample\n"), ("pkg/sub/data.bin", os.urandom(70000)),
                   ("pkg/Übersicht.txt", b"non-ASCII name\n")]:
    write(name, data)

# The icon: 256-pixel PNG, 48, 32 and 16 pixels, as ImageMagick writes a multi-size icon.
run("convert", "-size", "256x256", "gradient:red-blue", "-define",
    "icon:auto-resize=256,48,32,16", "app.ico")
icon = read("app.ico")
icon_images = ico_images(icon)
check(len(icon_images) == 4 and icon_images[0][2][:8] == b"\x89PNG\r\n\x1a\n",
      "the test icon has four images, the 256-pixel one PNG-compressed")

# Without branding options the stub is used as it is.
run(VEXA, "sfx", "-q", "--stub", STUB, "plain.exe", "pkg")
with open(STUB, "rb") as f:
    stub = f.read()
plain = read("plain.exe")
check(plain[:len(stub)] == stub, "without branding options the stub is written byte for byte")

# Branding with a default destination: the field in the data section is filled before the
# resources are laid out, and the checksum covers both.
BRANDING = ["--icon", "app.ico", "--title", TITLE, "--version-info", "CompanyName=Acme",
            "--version-info", "FileVersion=2.1", "--version-info", "productversion=2.1.7",
            "--version-info", "LegalCopyright=© 2026 Acme", "-d", "C:\\Acme Tools"]
run(VEXA, "sfx", "-q", "--stub", STUB, *BRANDING, "out.exe", "pkg")
out = read("out.exe")
archive_at = out.find(SIGNATURE)
image = out[:archive_at]
check(out[archive_at:] == plain[len(stub):], "the same archive follows the branded stub")

# Headers and sections, as Windows checks them.
pe = pefile.PE(data=image)
oh = pe.OPTIONAL_HEADER
check(pe.FILE_HEADER.Machine == (0x14C if WIDTH == 32 else 0x8664), "machine kept")
raw_end = max(s.PointerToRawData + s.SizeOfRawData for s in pe.sections)
check(raw_end == len(image), "the archive starts where the last section's raw data ends")
previous_va, previous_raw = 0, 0
for s in pe.sections:
    name = s.Name.rstrip(b"\0").decode()
    check(s.VirtualAddress % oh.SectionAlignment == 0 and s.PointerToRawData % oh.FileAlignment
          == 0 and s.SizeOfRawData % oh.FileAlignment == 0, name + ": aligned")
    check(s.VirtualAddress >= previous_va and (s.SizeOfRawData == 0 or
                                               s.PointerToRawData >= previous_raw),
          name + ": after the section before it")
    previous_va = s.VirtualAddress + ((s.Misc_VirtualSize + oh.SectionAlignment - 1) //
                                      oh.SectionAlignment) * oh.SectionAlignment
    if s.SizeOfRawData:
        previous_raw = s.PointerToRawData + s.SizeOfRawData
check(oh.SizeOfImage == previous_va, "SizeOfImage covers the last section")
rsrc = [s for s in pe.sections if s.Name.startswith(b".rsrc")][0]
directory = oh.DATA_DIRECTORY[2]
check(directory.VirtualAddress == rsrc.VirtualAddress and directory.Size == rsrc.Misc_VirtualSize,
      "the resource directory entry names the new section")
reloc = oh.DATA_DIRECTORY[5]
check(any(s.Name.startswith(b".reloc") and s.VirtualAddress == reloc.VirtualAddress
          for s in pe.sections), "the base relocation entry follows the moved .reloc section")
pe.parse_data_directories()
check(hasattr(pe, "DIRECTORY_ENTRY_BASERELOC") and len(pe.DIRECTORY_ENTRY_BASERELOC) > 0,
      "base relocations parse")
check(b"C:\\Acme Tools\0" in image, "the default destination is in the branded stub")
check(oh.CheckSum != 0 and oh.CheckSum == pe.generate_checksum(),
      "the checksum is recomputed for the branded stub")
check(len(image) - len(stub) < len(icon) + 4096,
      "the stub grew by the new resources only (%d bytes for an icon file of %d)" %
      (len(image) - len(stub), len(icon)))

# The dialog's caption.
resources = {}
for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    for n in t.directory.entries:
        for lang in n.directory.entries:
            entry = lang.data.struct
            resources[(t.id, n.id)] = pe.get_data(entry.OffsetToData, entry.Size)
dialog = resources[(5, 129)]
caption_at = 26 + 2 + 2  # extended header, no menu, default class
caption_end = caption_at
while dialog[caption_end:caption_end + 2] != b"\0\0":
    caption_end += 2
check(dialog[caption_at:caption_end].decode("utf-16-le") == TITLE, "dialog 129 has the new title")

# The version resource.
strings = {}
for info in pe.FileInfo[0] if hasattr(pe, "FileInfo") else []:
    for table in getattr(info, "StringTable", []):
        strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
check(strings.get("CompanyName") == "Acme" and strings.get("FileVersion") == "2.1" and
      strings.get("ProductVersion") == "2.1.7" and strings.get("LegalCopyright") == "© 2026 Acme",
      "version strings as given: %r" % strings)
fixed = pe.VS_FIXEDFILEINFO[0]
check((fixed.FileVersionMS, fixed.FileVersionLS) == (0x20001, 0) and
      (fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x20001, 0x70000),
      "numeric versions 2.1.0.0 and 2.1.7.0")

# The icon group, extracted by wrestool as an .ico file, image by image as given.
extracted = subprocess.run(["wrestool", "-x", "--type=14", "--name=107", work("out.exe")],
                           capture_output=True).stdout
check([(w, h, d) for w, h, d in ico_images(extracted)] == icon_images,
      "wrestool gives back the icon's images byte for byte")
write("extracted.ico", extracted)
listing = subprocess.run(["icotool", "-l", work("extracted.ico")], capture_output=True,
                         text=True).stdout
check(sorted(line.split()[2] for line in listing.splitlines()) ==
      ["--width=16", "--width=256", "--width=32", "--width=48"],
      "icotool lists the four images: " + " | ".join(listing.splitlines()))
old_images = [n.id for t in pe.DIRECTORY_ENTRY_RESOURCE.entries if t.id == 3
              for n in t.directory.entries]
check(len(old_images) == 4, "only the new icon images remain (%r)" % old_images)

# The reader and the tool take it as any self-extractor.
check("3 files" in run(VEXA, "list", "out.exe"), "vexa list")
check("All 3 entries OK" in run(VEXA, "test", "out.exe"), "vexa test")
run(VEXA, "extract", "-q", "-o", "extracted", "out.exe")
for name in ("pkg/readme.txt", "pkg/sub/data.bin", "pkg/Übersicht.txt"):
    check(read("extracted/" + name) == read(name), "extracted " + name + " matches")
info = run(VEXA, "info", "out.exe")
for line in ("Title: " + TITLE, "Icon: 256x256, 32 bits", "Icon: 16x16", "CompanyName: Acme",
             "File version: 2.1.0.0", "Product version: 2.1.7.0", "Entries: 3",
             "Archive offset: %d" % archive_at):
    check(line in info, "vexa info shows '%s'" % line)
# The exports pefile sees are the ones vexa info lists: the eight archive functions.
exported = sorted(e.name.decode() for e in pefile.PE(STUB).DIRECTORY_ENTRY_EXPORT.symbols)
listed = sorted(line[len("Export: "):] for line in info.splitlines() if line.startswith("Export: "))
check(len(exported) == 8 and listed == exported, "vexa info lists the 8 exports (%r)" % listed)
check("Version information: none" in run(VEXA, "info", STUB) and
      "Title: Tarnwick Archiver self-extractor" in run(VEXA, "info", STUB),
      "vexa info on the stub as built")

# Branding again leaves the one version resource with the new fields and keeps the others.
run(VEXA, "sfx", "-q", "--stub", STUB, "--version-info",
    "FileDescription=Acme installer", "again.exe", "pkg")
again = run(VEXA, "info", "again.exe")
check("FileDescription: Acme installer" in again and "Title: Tarnwick" in again,
      "a stub without version information gets one; the title stays")

# The stub branded with its own icon holds the resources it was built with (laid out anew).
own_icon = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources",
                        "sfxstub.ico")
run(VEXA, "sfx", "-q", "--stub", STUB, "--icon", own_icon, "own.exe", "pkg")
own = read("own.exe")
check(len(own) == len(plain), "its own icon leaves the stub's size as built")


def raw_resource(path, kind, name):
    return subprocess.run(["wrestool", "-x", "--raw", "--type=" + kind, "--name=" + name, path],
                          capture_output=True).stdout


for kind, name in [("3", "1"), ("3", "2"), ("14", "107"), ("5", "129"), ("24", "1")]:
    built = raw_resource(STUB, kind, name)
    check(built != b"" and built == raw_resource(work("own.exe"), kind, name),
          "resource %s/%s as built" % (kind, name))

# The self-extractor's settings: one RT_RCDATA resource 130 in the layout the stub reads, beside
# the resources as built, and the archive where the stub ends.
command = "pkg\\readme.txt /x"
run(VEXA, "sfx", "-q", "--stub", STUB, "--switches", "--run", command, "--temp", "settings.exe",
    "pkg")
settings = raw_resource(work("settings.exe"), "10", "130")
check(settings == b"VXS1" + struct.pack("<II", 5, len(command)) + command.encode() + b"\0",
      "resource 10/130 holds the settings byte for byte")
check(raw_resource(STUB, "10", "130") == b"", "the stub as built has no settings")
for kind, name in [("14", "107"), ("5", "129"), ("24", "1")]:
    check(raw_resource(STUB, kind, name) == raw_resource(work("settings.exe"), kind, name),
          "settings leave resource %s/%s as built" % (kind, name))
check("All 3 entries OK" in run(VEXA, "test", "settings.exe"), "the one with settings tests")

# A title far wider than the title bar is the user's choice, and kept whole.
long_title = "Acme Setup " + "with a very long name " * 20
run(VEXA, "sfx", "-q", "--stub", STUB, "--title", long_title, "long.exe", "pkg")
check("Title: " + long_title + "\n" in run(VEXA, "info", "long.exe"), "a long title is kept whole")

# Signed afterwards, it verifies and still extracts.
run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out",
    "cert.pem", "-days", "2", "-subj", "/CN=Vexa-branding-test")
run("osslsigncode", "sign", "-certs", "cert.pem", "-key", "key.pem", "-n", "Acme Setup", "-in",
    "out.exe", "-out", "signed.exe")
check("Signature verification: ok" in run("osslsigncode", "verify", "-CAfile", "cert.pem", "-in",
                                          "signed.exe"), "the branded self-extractor signs")
check("All 3 entries OK" in run(VEXA, "test", "signed.exe"), "the signed one tests")

# A signed stub loses its signature, with the warning, before it is branded.
run("osslsigncode", "sign", "-certs", "cert.pem", "-key", "key.pem", "-in", STUB, "-out",
    "signed-stub.exe")
warned = run(VEXA, "sfx", "-q", "--stub", "signed-stub.exe", *BRANDING, "from-signed.exe", "pkg")
check("carries an Authenticode signature" in warned, "a signed stub is used with a warning")
check(read("from-signed.exe") == out, "and gives the same branded self-extractor")

# Bad inputs: refused with the fault named, nothing written.
write("empty.ico", b"")
write("truncated.ico", icon[:40])
write("past-end.ico", icon[:14] + struct.pack("<I", 0xFFFFFF) + icon[18:])
write("zero.ico", b"\0\0\1\0\0\0")
os.makedirs(work("folder.ico"), exist_ok=True)
bad = [
    (["--icon", "empty.ico"], "empty.ico: not an icon file"),
    (["--icon", "truncated.ico"], "truncated.ico: the directory of 4 images"),
    (["--icon", "past-end.ico"], "past-end.ico: image 1"),
    (["--icon", "zero.ico"], "zero.ico: the icon file holds no images"),
    (["--icon", "folder.ico"], "is a directory"),
    (["--icon", "missing.ico"], "missing.ico: cannot open"),
    (["--title", "Acme\tSetup"], "control character (0x09)"),
    (["--title", ""], "the title is empty"),
    (["--version-info", "Colour=blue"], "unknown field"),
    (["--version-info", "CompanyName"], "KEY=VALUE"),
    (["--version-info", "FileVersion=2.x"], "not a version number"),
    (["--version-info", "ProductVersion=1.2.3.4.5"], "not a version number"),
    (["--version-info", "FileVersion=65536"], "not a version number"),
]
for options, message in bad:
    text = run(VEXA, "sfx", "-q", "--stub", STUB, *options, "bad.exe", "pkg", expect=2)
    check(message in text and not os.path.exists(work("bad.exe")),
          "refused: %s -> %s" % (" ".join(options), text.strip().splitlines()[0]))

if failures:
    sys.exit("%d check(s) failed" % len(failures))
shutil.rmtree(WORK)
