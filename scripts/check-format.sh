#!/usr/bin/env bash
# Checks that every C++ file of the project is formatted with its
# .clang-format; names the files that are not and fails. Fix with
#   clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find app bench console core dialogs fuzz notation platform tests tools traffic \
  -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)
unformatted=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted with .clang-format (clang-format -i FILE... mends them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "All ${#files[@]} C++ files are formatted with .clang-format."
