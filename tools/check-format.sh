#!/usr/bin/env bash
# Exits 0 when every C++ file that git tracks is formatted as .clang-format
# asks (clang-format, Debian's package, which tools/setup.sh installs), and
# names the files that are not otherwise. Rewrite them with:
#   git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed; nothing checked"
  exit 0
fi
unformatted=()
while IFS= read -r file; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check-format: not formatted as .clang-format asks: ${unformatted[*]}" >&2
  echo "check-format: rewrite with: git ls-files '*.cpp' '*.h' | xargs clang-format -i" >&2
  exit 1
fi
echo "check-format: every C++ file is formatted"
