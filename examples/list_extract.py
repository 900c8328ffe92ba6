#!/usr/bin/env python3
"""Lists a Vexa archive and extracts one entry through libvexa with ctypes.
Usage: list_extract.py ARCHIVE [ENTRY OUTPUT]; VEXA_LIBRARY names the library file
(libvexa.so.1, vexa.dll) when the system's loader does not find it by itself."""
import ctypes, ctypes.util, os, sys

class Entry(ctypes.Structure):  # VEXA_ENTRY, 144 bytes, packed
    _pack_ = 1
    _fields_ = [("name", ctypes.c_char * 100), ("crc", ctypes.c_uint32)] + [
        (f, ctypes.c_uint64) for f in ("blocks", "packed", "size", "mtime")] + [
        ("attributes", ctypes.c_uint32), ("reserved", ctypes.c_uint32)]

def load_library():
    """The library VEXA_LIBRARY names, else the one the loader finds. Never CDLL(None): that is
    the process's own symbols, which hold no vexa functions."""
    named = os.environ.get("VEXA_LIBRARY")
    tried = [named] if named else [n for n in (ctypes.util.find_library("vexa"),
                                               "vexa.dll" if os.name == "nt" else "libvexa.so.1") if n]
    errors = []
    for name in dict.fromkeys(tried):
        try:
            return ctypes.CDLL(name)
        except OSError as error:
            errors.append(str(error) if name in str(error) else f"{name}: {error}")
    how = "VEXA_LIBRARY" if named else "the loader's search"
    sys.exit(f"list_extract.py: no vexa library loaded through {how}; tried {'; '.join(errors)}\n"
             "Name the library file with VEXA_LIBRARY, e.g. "
             "VEXA_LIBRARY=$HOME/.local/lib/libvexa.so.1 (or add its folder to LD_LIBRARY_PATH).")

vexa = load_library()
vexa.vexa_GetNumFiles.restype = ctypes.c_uint64
vexa.vexa_GetErrorString.restype = ctypes.c_char_p
stream, entry = ctypes.c_void_p(), Entry()
if result := vexa.vexa_OpenStream(ctypes.byref(stream), sys.argv[1].encode(), 4):
    sys.exit(f"{sys.argv[1]}: {vexa.vexa_GetErrorString(result).decode()}")
for index in range(vexa.vexa_GetNumFiles(stream)):
    vexa.vexa_EnumerateFiles(stream, ctypes.byref(entry), ctypes.c_uint64(index))
    print(f"{entry.size:10}  {entry.crc:08X}  {entry.name.decode('cp1252')}")
if len(sys.argv) == 4:
    result = vexa.vexa_DecompressToFile(stream, sys.argv[2].encode("cp1252"), sys.argv[3].encode(), None)
    print(f"{sys.argv[2]}: {vexa.vexa_GetErrorString(result).decode()}")
vexa.vexa_CloseStream(stream)
sys.exit(1 if len(sys.argv) == 4 and result else 0)
