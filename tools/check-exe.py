"""Checks a built or released DozewellTimer.exe without running it: its architecture, a GUI
subsystem, imports of system DLLs only, and the same resources, byte for byte,
as the other architecture's exe.   check-exe.py x86|x64 EXE [OTHER_EXE]"""
import sys

import pefile

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "shell32.dll", "user32.dll", "winmm.dll"}
EXPECTED = {"x86": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], pefile.OPTIONAL_HEADER_MAGIC_PE),
            "x64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS)}


def resources(pe):
    """Every resource as (type, name, language) -> its bytes."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                key = (str(kind.name or kind.id), str(name.name or name.id), language.id)
                found[key] = pe.get_data(data.OffsetToData, data.Size)
    return found


def main(arch, exe, other=None):
    pe = pefile.PE(exe)
    failures = []
    machine, magic = EXPECTED[arch]
    if (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic) != (machine, magic):
        failures.append(f"not a {arch} program: machine {pe.FILE_HEADER.Machine:#x}, magic {pe.OPTIONAL_HEADER.Magic:#x}")
    if pe.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]:
        failures.append(f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, not Windows GUI")
    imported = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    if imported - SYSTEM_DLLS:
        failures.append(f"imports DLLs that are not the system's: {sorted(imported - SYSTEM_DLLS)}")
    mine = resources(pe)
    if len(mine) != 12 or any(language != 0x419 for _, _, language in mine):
        failures.append(f"expected 12 resources, all in language 0x419: {sorted(mine)}")
    if other:
        theirs = resources(pefile.PE(other))
        differing = sorted(key for key in mine.keys() | theirs.keys() if mine.get(key) != theirs.get(key))
        if differing:
            failures.append(f"resources differ from {other}: {differing}")
    for failure in failures:
        print(f"FAIL {exe}: {failure}")
    print(f"{exe}: {arch}, GUI, imports {sorted(imported)}, {len(mine)} resources: "
          + ("FAIL" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
