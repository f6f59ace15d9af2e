#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when it does
# not (some kernels run only 64-bit user code: IA-32 emulation off). It finds
# out by running 32-bit code, not by asking a program for its version: it
# writes a 96-byte static i386 ELF program that makes the exit system call
# with status 42, and runs it. Nothing is installed and Wine is not started.
set -u
dir="$(mktemp -d "${TMPDIR:-/tmp}/tier-x86-32.XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
probe="$dir/probe"
{
  # ELF header: 32-bit, little-endian, an executable for i386, entry 0x08048054.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
  printf '\x00\x00\x00\x00'
  # One loadable segment: the whole file, read and execute, at 0x08048000.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov eax, 1 (exit); mov ebx, 42; int 0x80
  printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
} >"$probe"
chmod +x "$probe"
# Where the kernel refuses the format, the shell reports an error (126 or 127)
# instead; only the probe itself exits with 42.
"$probe" >/dev/null 2>&1
[ $? -eq 42 ]
