"""Rewrites a zip so that the same files always give the same bytes: entries in name order, each
with the given time (seconds since 1970, UTC; SOURCE_DATE_EPOCH) or else the time it has, mode
0755 or 0644 by whether it was executable, and no owner, access-time or other extra fields.
CPack's archives honour SOURCE_DATE_EPOCH but take their order from the file system's directory
listing and record the packing user's uid and gid.
    repack-zip.py ZIP [EPOCH]"""
import os
import sys
import time
import zipfile

DOS_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can hold


def repack(path, epoch=None):
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info)) for info in sorted(source.infolist(), key=lambda i: i.filename)]
    stamp = time.gmtime(max(int(epoch), DOS_EPOCH))[:6] if epoch else None
    temporary = path + ".repack"
    with zipfile.ZipFile(temporary, "w") as target:
        for info, data in entries:
            entry = zipfile.ZipInfo(info.filename, stamp or info.date_time)
            entry.create_system = 3  # Unix, so that the mode below is read
            entry.external_attr = (0o100755 if (info.external_attr >> 16) & 0o100 else 0o100644) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(entry, data, compresslevel=9)
    os.replace(temporary, path)


if __name__ == "__main__":
    repack(*sys.argv[1:])
