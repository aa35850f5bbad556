#!/usr/bin/env bash
# Set-up, build and every test. Usage: scripts/test.sh [plain|asan|tsan]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
flavour="${1:-plain}"
case "$flavour" in
  plain) build="$here/build"; extra=() ;;
  asan)  build="$here/build-asan"; extra=(-DKVUP_SANITIZER=asan -DKVUP_BUILD_BENCH=OFF) ;;
  tsan)  build="$here/build-tsan"; extra=(-DKVUP_SANITIZER=tsan -DKVUP_BUILD_BENCH=OFF -DKVUP_BUILD_UI=OFF) ;;
  *) echo "usage: $0 [plain|asan|tsan]" >&2; exit 2 ;;
esac
# Includes point only down: a cycle between folders fails the run before the build.
"$here/scripts/include-graph.sh" --quiet
"$here/scripts/setup.sh" "$build" "${extra[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/tests/lsan.supp:print_suppressions=0}"
labels=()
# Only the threaded modules run under ThreadSanitizer.
[ "$flavour" = tsan ] && labels=(-L 'platform|workers|util|FTL|store|upload|queue|pipeline|peer|droppipe|^e2e$')

# Sanitizer builds run several times slower; a case that misses a wait under that
# load gets one more try there (a real fault fails both).
retry=()
[ "$flavour" != plain ] && retry=(--repeat until-pass:2)
run=(ctest --test-dir "$build" -j2 --output-on-failure "${retry[@]}" "${labels[@]}")
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
else
  "${run[@]}"
fi
