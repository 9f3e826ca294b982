"""Checks a built or released DozewellTimer.exe without running it: its architecture, a GUI
subsystem, the exploit mitigations, imports of system DLLs only, and its resources.
    check-exe.py x86|x64 EXE
Or that it has the same resources, byte for byte, as the other architecture's exe (exit
status 77, skipped, where that is not built):
    check-exe.py --resources EXE OTHER_EXE
Or that its version block names the given version (the CMake project version, MAJOR.MINOR.PATCH):
    check-exe.py --version VERSION EXE"""
import os
import sys

import pefile

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "shell32.dll", "user32.dll", "winmm.dll"}
EXPECTED = {"x86": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], pefile.OPTIONAL_HEADER_MAGIC_PE),
            "x64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS)}
# Held here so that a toolchain change cannot drop one unseen; high-entropy ASLR is for 64-bit programs.
MITIGATIONS = {"DYNAMIC_BASE": "ASLR", "NX_COMPAT": "DEP", "TERMINAL_SERVER_AWARE": "terminal-server awareness"}
X64_MITIGATIONS = {"HIGH_ENTROPY_VA": "high-entropy ASLR"}


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


def mitigation_failures(pe, arch):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    wanted = MITIGATIONS | (X64_MITIGATIONS if arch == "x64" else {})
    failures = [f"no {name} (DllCharacteristics {flags:#06x})" for key, name in wanted.items()
                if not flags & pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + key]]
    # ASLR can move only an image that keeps its base relocations.
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    stripped = pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
    if relocations.Size == 0 or stripped:
        failures.append("no base relocations, so ASLR cannot move it")
    return failures


def same_resources(exe, other):
    if not os.path.exists(other):
        print(f"SKIPPED: {other} is not built, so the resources of {exe} are not compared with it "
              "(tools/test.sh builds both architectures)")
        return 77
    mine, theirs = resources(pefile.PE(exe)), resources(pefile.PE(other))
    differing = sorted(key for key in mine.keys() | theirs.keys() if mine.get(key) != theirs.get(key))
    print(f"FAIL {exe}: resources differ from {other}: {differing}" if differing
          else f"{exe}: the same {len(mine)} resources as {other}: ok")
    return 1 if differing else 0


def same_version(version, exe):
    """The version block's numbers and its FileVersion and ProductVersion texts against VERSION."""
    numbers = [int(part) for part in version.split(".")] + [0]
    text = ", ".join(str(number) for number in numbers).encode()
    pe = pefile.PE(exe)
    fixed = pe.VS_FIXEDFILEINFO[0]
    words = lambda high, low: [high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF]
    found = {"FILEVERSION": words(fixed.FileVersionMS, fixed.FileVersionLS),
             "PRODUCTVERSION": words(fixed.ProductVersionMS, fixed.ProductVersionLS)}
    strings = {key: value for info in pe.FileInfo[0] for table in getattr(info, "StringTable", [])
               for key, value in table.entries.items()}
    found |= {key: strings.get(key.encode()) for key in ("FileVersion", "ProductVersion")}
    differing = {key: value for key, value in found.items() if value != (numbers if key.isupper() else text)}
    print(f"FAIL {exe}: the version block disagrees with version {version}: {differing}" if differing
          else f"{exe}: version block {text.decode()}, as the project version {version}: ok")
    return 1 if differing else 0


def main(arch, exe):
    pe = pefile.PE(exe)
    failures = []
    machine, magic = EXPECTED[arch]
    if (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic) != (machine, magic):
        failures.append(f"not a {arch} program: machine {pe.FILE_HEADER.Machine:#x}, magic {pe.OPTIONAL_HEADER.Magic:#x}")
    if pe.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]:
        failures.append(f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, not Windows GUI")
    failures += mitigation_failures(pe, arch)
    imported = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    if imported - SYSTEM_DLLS:
        failures.append(f"imports DLLs that are not the system's: {sorted(imported - SYSTEM_DLLS)}")
    mine = resources(pe)
    if len(mine) != 12 or any(language != 0x419 for _, _, language in mine):
        failures.append(f"expected 12 resources, all in language 0x419: {sorted(mine)}")
    for failure in failures:
        print(f"FAIL {exe}: {failure}")
    print(f"{exe}: {arch}, GUI, mitigations, imports {sorted(imported)}, "
          f"{len(mine)} resources: " + ("FAIL" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    if sys.argv[1] == "--version":
        sys.exit(same_version(*sys.argv[2:]))
    sys.exit(same_resources(*sys.argv[2:]) if sys.argv[1] == "--resources" else main(*sys.argv[1:]))
