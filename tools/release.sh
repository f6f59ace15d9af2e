#!/usr/bin/env bash
# Makes the release: builds the product with the win32 preset and writes
# dist/Tier-VERSION.zip (Tier.vdx, README.txt, LICENSE, SHA256SUMS; never the
# stub VELDRUN.dll), VERSION being the one plugin/version.h sets. The same
# commit gives the same archive, byte for byte.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash tools/setup.sh >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target release_archive
ctest --preset win32 -R '^release[.]Archive$' >/dev/null || {
  echo "release: the archive does not pass its check (ctest --preset win32 -R release)" >&2
  exit 1
}

archive="$(head -n 1 build/win32/release-archive.txt)"
mkdir -p dist
cp "$archive" dist/
echo "release: dist/$(basename "$archive")"
(cd dist && sha256sum "$(basename "$archive")")
