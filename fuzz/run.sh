#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds
# (FUZZ_SECONDS, default 8: about a minute for all), after replaying every
# committed seed and regression input. New inputs found go to build/fuzz/work,
# never into the committed corpus; a crash leaves its input in
# build/fuzz/artifacts: copy it to fuzz/regressions/<target>/ once fixed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
seconds="${FUZZ_SECONDS:-8}"

CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 >"$build/build.log" 2>&1 ||
  { echo "fuzz: the targets do not build"; grep -E "error|undefined" "$build/build.log" | head -20; exit 1; }
mapfile -t targets < "$build/targets.txt"   # what fuzz/CMakeLists.txt builds

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for t in "${targets[@]}"; do
  corpus="$root/fuzz/corpus/$t"
  regressions="$root/fuzz/regressions/$t"
  work="$build/work/$t"
  artifacts="$build/artifacts/$t/"
  mkdir -p "$work" "$artifacts"
  dict=()
  [ -f "$root/fuzz/${t#fuzz_}.dict" ] && dict=(-dict="$root/fuzz/${t#fuzz_}.dict")
  # Replay: each kept input once, so a fixed crash stays fixed.
  replay=("$corpus"/*)
  [ -d "$regressions" ] && replay+=("$regressions"/*)
  "$build/$t" -runs=0 "${replay[@]}" >"$build/$t.replay.log" 2>&1 ||
    { echo "fuzz: $t fails on a kept input"; tail -40 "$build/$t.replay.log"; exit 1; }
  # Fuzz: new inputs land in work; the committed corpus is only read.
  if ! "$build/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 "${dict[@]}" \
      -artifact_prefix="$artifacts" "$work" "$corpus" >"$build/$t.log" 2>&1; then
    echo "fuzz: $t crashed; input in $artifacts"
    tail -40 "$build/$t.log"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$t.log")
  echo "fuzz: $t ok, ${runs:-?} runs in ${seconds} s"
done
