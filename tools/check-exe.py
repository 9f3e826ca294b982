"""Checks a built or released DozewellTimer.exe without running it: its architecture, a GUI
subsystem, the exploit mitigations, imports of system DLLs only, and its resources (those that
res/DozewellTimer.rc declares, all in Russian).
    check-exe.py x86|x64 EXE
Or that it has the same resources, byte for byte, as the other architecture's exe (exit
status 77, skipped, where that is not built or not from the same sources, as the file
DozewellTimer.sources that the build writes beside each exe tells):
    check-exe.py --resources EXE OTHER_EXE
Or that its version block names the given version (the CMake project version, MAJOR.MINOR.PATCH):
    check-exe.py --version VERSION EXE
Or, for tools/wine-env.sh's pe_arch, which Wine runs an exe: prints x86 or x64.
    check-exe.py --arch EXE"""
import os
import re
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


RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
# The statements of a resource script that declare a resource, by the type the exe keeps it under; any other
# "NAME TYPE "file"" is of a type of its own, such as WAVE.
RC_STATEMENTS = {"DIALOG": "RT_DIALOG", "MENU": "RT_MENU", "BITMAP": "RT_BITMAP", "ICON": "RT_GROUP_ICON",
                 "VERSIONINFO": "RT_VERSION", "RT_MANIFEST": "RT_MANIFEST"}


def declared_resources():
    """(type, name) of every resource res/DozewellTimer.rc declares, keyed as resources() keys them: names
    that res/resource.h defines as numbers by number, and an icon as its group and one entry per image."""
    with open(os.path.join(RES, "resource.h")) as header:
        numbers = dict(re.findall(r"^#define (\w+) (\d+)$", header.read(), re.M), VS_VERSION_INFO="1")
    with open(os.path.join(RES, "DozewellTimer.rc")) as script:
        statements = re.findall(r'^"?(\w+)"?[ \t]+(\w+)[ \t]*(.*)$', script.read(), re.M)
    declared, images = set(), 0
    for name, kind, rest in statements:
        if kind not in RC_STATEMENTS and not re.fullmatch(r'"[^"]+"', rest):
            continue  # a line of a statement's body, such as STYLE
        kind = RC_STATEMENTS.get(kind, kind)
        declared.add((str(pefile.RESOURCE_TYPE.get(kind, kind)), numbers.get(name, name)))
        if kind == "RT_GROUP_ICON":
            with open(os.path.join(RES, rest.strip('"')), "rb") as icon:
                count = int.from_bytes(icon.read(6)[4:], "little")
            declared |= {(str(pefile.RESOURCE_TYPE["RT_ICON"]), str(images + i)) for i in range(1, count + 1)}
            images += count
    return declared


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


def sources(exe):
    """What the build wrote beside an exe: path -> SHA-256 of each file it was built from; empty when none."""
    try:
        with open(os.path.join(os.path.dirname(exe), "DozewellTimer.sources")) as listing:
            return {name: digest for digest, name in (line.rstrip("\n").split("  ", 1) for line in listing)}
    except OSError:
        return {}


def same_resources(exe, other):
    if not os.path.exists(other):
        print(f"SKIPPED: {other} is not built, so the resources of {exe} are not compared with it "
              "(tools/test.sh builds both architectures)")
        return 77
    built_from, other_built_from = sources(exe), sources(other)
    if not other_built_from or built_from != other_built_from:
        changed = sorted(name for name in built_from.keys() | other_built_from.keys()
                         if built_from.get(name) != other_built_from.get(name))
        if other_built_from:
            why = f"was built from other sources than {exe} ({', '.join(changed[:3])}{', ...' * (len(changed) > 3)})"
        else:
            why = "does not say what it was built from"
        print(f"SKIPPED: {other} {why}, so comparing their resources would prove nothing (tools/build.sh "
              "builds both architectures from the same sources)")
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


def arch_of(exe):
    try:
        machine = pefile.PE(exe, fast_load=True).FILE_HEADER.Machine
    except (OSError, pefile.PEFormatError):
        machine = None
    arch = next((arch for arch, (expected, _) in EXPECTED.items() if machine == expected), None)
    print(arch or f"{exe} is not an i386 or AMD64 Windows program", file=sys.stdout if arch else sys.stderr)
    return 0 if arch else 1


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
    held, declared = {(kind, name) for kind, name, _ in mine}, declared_resources()
    if held != declared:
        failures.append(f"resources not as res/DozewellTimer.rc declares them: missing {sorted(declared - held)}, "
                        f"not declared {sorted(held - declared)}")
    if any(language != 0x419 for _, _, language in mine):
        failures.append(f"resources not in language 0x419: {sorted(mine)}")
    for failure in failures:
        print(f"FAIL {exe}: {failure}")
    print(f"{exe}: {arch}, GUI, mitigations, imports {sorted(imported)}, "
          f"{len(mine)} resources: " + ("FAIL" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    if sys.argv[1] == "--arch":
        sys.exit(arch_of(sys.argv[2]))
    if sys.argv[1] == "--version":
        sys.exit(same_version(*sys.argv[2:]))
    sys.exit(same_resources(*sys.argv[2:]) if sys.argv[1] == "--resources" else main(*sys.argv[1:]))
