#!/usr/bin/env bash
# Makes the release: builds the product with the win32 preset and writes
# dist/Tier-VERSION.zip (Tier.vdx, tier-playground.html where Emscripten is
# installed, README.txt, REFERENCE.txt, LICENSE, SHA256SUMS; never the stub
# VELDRUN.dll), VERSION being the one
# plugin/version.h sets, and beside it dist/Tier-VERSION.zip.sha256, the
# archive's own SHA-256, to publish with it. Every entry is dated at the
# commit's time (SOURCE_DATE_EPOCH, when set, instead) with mode 0644, so the
# same commit gives the same archive, byte for byte.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash tools/setup.sh >/dev/null
# The playground page, where Emscripten is installed, goes beside Tier.vdx.
if command -v em++ >/dev/null; then
  cmake --preset wasm >/dev/null
  cmake --build --preset wasm --target playground_page
else
  echo "release: Emscripten (em++) is not installed, so the archive carries no playground page"
fi
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target release_archive
ctest --preset win32 -R '^release[.]Archive$' >/dev/null || {
  echo "release: the archive does not pass its check (ctest --preset win32 -R release)" >&2
  exit 1
}
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "release: the sources differ from their commit, whose time the archive carries;" \
       "commit them for a release" >&2
fi

archive="$(head -n 1 build/win32/release-archive.txt)"
mkdir -p dist
cp "$archive" "$archive.sha256" dist/
echo "release: dist/$(basename "$archive") and dist/$(basename "$archive").sha256:"
cat "dist/$(basename "$archive").sha256"
