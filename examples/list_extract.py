#!/usr/bin/env python3
"""Lists a Vexa archive and extracts one entry through libvexa with ctypes.
Usage: list_extract.py ARCHIVE [ENTRY OUTPUT]; VEXA_LIBRARY names the library file."""
import ctypes, ctypes.util, os, sys

class Entry(ctypes.Structure):  # VEXA_ENTRY, 144 bytes, packed
    _pack_ = 1
    _fields_ = [("name", ctypes.c_char * 100), ("crc", ctypes.c_uint32)] + [
        (f, ctypes.c_uint64) for f in ("blocks", "packed", "size", "mtime")] + [
        ("attributes", ctypes.c_uint32), ("reserved", ctypes.c_uint32)]

vexa = ctypes.CDLL(os.environ.get("VEXA_LIBRARY") or ctypes.util.find_library("vexa"))
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
