#!/usr/bin/env bash
# Fails on a source that clang-format would change, and on any clang-tidy finding of the
# checks chosen in .clang-tidy: tools/check-style.sh [BUILD_DIR]
# The build directory supplies compile_commands.json (any configured build will do).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
[[ -f "$build/compile_commands.json" ]] || cmake -S . -B "$build" -G Ninja >/dev/null
run-clang-tidy -p "$build" -quiet "$PWD/(src|service|contract)/.*\.cpp$" >"$build/clang-tidy.log" 2>&1 || true
if grep -qE "(warning|error):" "$build/clang-tidy.log"; then
  grep -E "(warning|error):" "$build/clang-tidy.log" | sort -u
  echo "clang-tidy found the above"
  exit 1
fi
echo "style: clang-format and clang-tidy are content"
