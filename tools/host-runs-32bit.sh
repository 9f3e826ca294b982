#!/usr/bin/env bash
# Exits 0 when this host can run 32-bit x86 code, 1 when it cannot (a kernel
# with 32-bit emulation switched off refuses every i386 program). Runs an
# 93-byte static i386 ELF that calls exit(0) through int 0x80.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# ELF header (52 bytes), one loadable segment at 0x08048000 (32 bytes), then
# mov eax,1; xor ebx,ebx; int 0x80.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'\
'\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000'\
'\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'\
'\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'\
'\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000'\
'\270\001\000\000\000\061\333\315\200' >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
