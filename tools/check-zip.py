"""Checks a released zip: exactly DozewellTimer.exe, LICENSE.txt and README.txt at its top, the exe
byte for byte the built one, and the two texts with Windows (CRLF) line ends only.
    check-zip.py ZIP EXE"""
import sys
import zipfile

NAMES = ["DozewellTimer.exe", "LICENSE.txt", "README.txt"]


def main(path, exe):
    failures = []
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        if names != NAMES:
            failures.append(f"holds {names}, not {NAMES}")
        contents = {name: archive.read(name) for name in names}
    with open(exe, "rb") as built:
        if contents.get("DozewellTimer.exe") != built.read():
            failures.append(f"its DozewellTimer.exe is not {exe}")
    for name in ("LICENSE.txt", "README.txt"):
        text = contents.get(name, b"")
        if not text.endswith(b"\r\n") or text.count(b"\n") != text.count(b"\r\n"):
            failures.append(f"{name} has line ends other than CRLF")
    for failure in failures:
        print(f"FAIL {path}: {failure}")
    if not failures:
        print(f"{path}: {', '.join(names)}; the exe is {exe}; CRLF texts: ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
