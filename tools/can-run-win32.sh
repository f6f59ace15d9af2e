#!/usr/bin/env bash
# Exits 0 when this machine can run Win32 programs under Wine, 1 when it
# cannot: Wine's 32-bit loader must start, which it does not where the kernel
# runs only 64-bit user code ("Exec format error").
WINEDEBUG=-all timeout 60 wine --version >/dev/null 2>&1
