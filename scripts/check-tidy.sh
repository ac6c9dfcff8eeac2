#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the project's C++ files
# and fails on any finding, naming each one.
#
#   scripts/check-tidy.sh [--all | --base REF] [BUILD_DIR]
#
# BUILD_DIR (default: build) must be configured and built: clang-tidy reads its
# compile_commands.json and the files Qt's code generators write there.
# By default only the files changed since the branch left main are checked
# (committed, staged, unstaged and new files); a changed header brings in every
# file that includes it. At main's tip the last commit is checked. The whole
# tree (113 files) takes about 23 minutes on 2 cores, too long for every test
# run: --all asks for it. --base REF sets the base (also TIDY_BASE=REF).
# TIDY_JOBS sets the parallelism (default: the number of processors).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=changed
base=${TIDY_BASE:-}
build=build
while [ $# -gt 0 ]; do
  case "$1" in
    --all) mode=all ;;
    --base)
      [ $# -ge 2 ] || { echo "--base needs a git revision" >&2; exit 2; }
      base=$2
      shift
      ;;
    -h | --help)
      sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    -*) echo "Unknown option: $1" >&2; exit 2 ;;
    *) build=$1 ;;
  esac
  shift
done

database="$build/compile_commands.json"
if [ ! -f "$database" ]; then
  echo "No $database: configure and build first (cmake -S . -B $build && cmake --build $build)." >&2
  exit 2
fi
jobs=${TIDY_JOBS:-$(nproc)}
folders='app bench console core dialogs fuzz notation platform tests tools traffic'

# Every source the compile database knows, outside the build directory's
# generated files, relative to the root.
mapfile -t known < <(grep -o '"file": *"[^"]*"' "$database" | sed 's/^"file": *"//; s/"$//' |
  sed "s|^$root/||" | grep -E "^($(tr ' ' '|' <<<"$folders"))/" | sort -u)
# The fuzzers are built only by clang with -fsanitize=fuzzer, so no ordinary
# build lists them; they are checked with the project's include path.
mapfile -t fuzzers < <(find fuzz -name '*.cpp' | sort)

if [ "$mode" = changed ]; then
  if [ -z "$base" ]; then
    for main in origin/main main; do
      if git rev-parse -q --verify "$main^{commit}" >/dev/null; then
        base=$(git merge-base HEAD "$main")
        break
      fi
    done
    if [ -n "$base" ] && [ "$base" = "$(git rev-parse HEAD)" ]; then
      base=$(git rev-parse -q --verify 'HEAD^' || true)
    fi
  fi
  if [ -z "$base" ]; then
    echo "No base to compare with (no main, no parent commit): checking every file."
    mode=all
  fi
fi

targets=()
fuzz_targets=()
if [ "$mode" = all ]; then
  targets=("${known[@]}")
  fuzz_targets=("${fuzzers[@]}")
else
  # shellcheck disable=SC2086  # the folder list splits into pathspecs
  mapfile -t changed < <({
    git diff --name-only --diff-filter=ACMR "$base" -- $folders
    git ls-files --others --exclude-standard -- $folders
  } | grep -E '\.(cpp|h)$' | sort -u)
  declare -A wanted=()
  for f in "${changed[@]}"; do
    case "$f" in
      *.cpp) wanted[$f]=1 ;;
      *.h)
        # Every file that includes the header, by its path from the root
        # or, from its own folder, by its bare name.
        for t in "${known[@]}" "${fuzzers[@]}"; do
          if grep -qE "#include \"($f|$(basename "$f"))\"" "$t"; then wanted[$t]=1; fi
        done
        ;;
    esac
  done
  for f in "${!wanted[@]}"; do
    if [[ "$f" == fuzz/* ]]; then
      fuzz_targets+=("$f")
    elif printf '%s\n' "${known[@]}" | grep -qxF "$f"; then
      targets+=("$f")
    else
      echo "Not in $database, not checked: $f (is it part of the build?)"
    fi
  done
  echo "Checking the files changed since $(git rev-parse --short "$base")."
fi

total=$((${#targets[@]} + ${#fuzz_targets[@]}))
if [ "$total" -eq 0 ]; then
  echo "No C++ files to check."
  exit 0
fi
echo "clang-tidy over $total files, $jobs at a time..."

output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
if [ ${#targets[@]} -gt 0 ]; then
  if command -v run-clang-tidy >/dev/null; then
    # Its file arguments are patterns; anchor each to one file. The project's
    # paths hold no pattern character but the dot.
    patterns=()
    for f in "${targets[@]}"; do patterns+=("^${root//./\\.}/${f//./\\.}\$"); done
    run-clang-tidy -quiet -p "$build" -j "$jobs" "${patterns[@]}" >"$output" 2>&1 || status=$?
  else
    printf '%s\n' "${targets[@]}" |
      xargs -P "$jobs" -n 1 clang-tidy --quiet -p "$build" >"$output" 2>&1 || status=$?
  fi
fi
if [ ${#fuzz_targets[@]} -gt 0 ]; then
  printf '%s\n' "${fuzz_targets[@]}" |
    xargs -P "$jobs" -I{} clang-tidy --quiet {} -- -std=c++20 -I"$root" >>"$output" 2>&1 || status=$?
fi

# A finding is "path:line:col: warning|error: text [check]"; the same header
# finding comes once per file that includes the header.
# run-clang-tidy colours its output: the colour codes go first.
mapfile -t findings < <(sed 's/\x1b\[[0-9;]*m//g' "$output" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' |
  sed "s|^$root/||" | sort -u)
if [ ${#findings[@]} -gt 0 ]; then
  echo "clang-tidy findings (${#findings[@]}):"
  printf '  %s\n' "${findings[@]}"
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "clang-tidy failed without naming a finding:"
  cat "$output"
  exit 1
fi
echo "clang-tidy: no findings in $total files."
