#!/usr/bin/env bash
# Installs what the tests need, builds from scratch and runs every test (unit, ui, x11, e2e).
# Ends with CTest's summary; exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

build=build-test
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_WERROR=ON
cmake --build "$build" -j "$(nproc)"
# The end-to-end tests each start their own display; they run one at a time.
status=0
ctest --test-dir "$build" --output-on-failure --no-tests=error || status=$?

# Fuzzing: the libFuzzer targets of fuzz/ (clang, AddressSanitizer and UndefinedBehaviorSanitizer),
# 30 s each. A crash, a leak or a failed property stops a target; its input stays in $fuzz/.
supp="$PWD/tests/sanitizers/lsan.supp"
fuzz=build-test-fuzz
rm -rf "$fuzz"
cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DQB_FUZZ=ON -DQB_BUILD_TESTS=OFF
cmake --build "$fuzz" --target qb_fuzz -j "$(nproc)"
for target in chord paths shortcutname clipboard; do
  mkdir -p "$fuzz/corpus/$target"
  dict=()
  if [ -f "fuzz/$target.dict" ]; then dict=("-dict=$PWD/fuzz/$target.dict"); fi
  echo "fuzz_$target: 30 s"
  if ! (cd "$fuzz" && LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" \
        "./fuzz/fuzz_$target" "corpus/$target" "${dict[@]}" -max_total_time=30 -rss_limit_mb=2048 \
        -print_final_stats=1 "-artifact_prefix=fuzz_$target-" > "fuzz_$target.log" 2>&1); then
    tail -n 60 "$fuzz/fuzz_$target.log"
    echo "fuzz_$target failed; its input is in $fuzz/" >&2
    status=1
  fi
done

# The whole suite again under AddressSanitizer (with leak checking) and UndefinedBehaviorSanitizer:
# any report fails. AddressSanitizer's reports go to files, so that a leak of a quillbox the
# end-to-end tests started and stopped is not lost with that test's session; UndefinedBehaviorSanitizer
# (gcc's ignores log_path) writes to stderr and ends the process on its first report.
asan=build-test-asan
rm -rf "$asan"
cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_SANITIZE=ON -DQB_WERROR=ON
cmake --build "$asan" -j "$(nproc)"
reports="$PWD/$asan/sanitizer-reports"
mkdir -p "$reports"
asan_status=0
ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:log_path=$reports/asan" \
LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir "$asan" --output-on-failure --no-tests=error || asan_status=$?
if [ -n "$(ls -A "$reports")" ]; then
  for report in "$reports"/*; do
    echo "==== $report"
    cat "$report"
  done
  echo "The sanitizer pass left the reports above (in $reports)." >&2
  asan_status=1
fi

# The report, last: the table of faults and bad input the fault suite tried (its figures come from
# the cases that ran in the first pass), and how many inputs each fuzzer ran.
echo
echo "==== Faults and bad input tried (tests/unit/tst_faults.cpp)"
awk '/^fault or input class/ {show = 1} show {print} show && /^all / {exit}' \
    "$build/Testing/Temporary/LastTest.log" || true
echo "==== Fuzzing, 30 s a target"
for target in chord paths shortcutname clipboard; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$fuzz/fuzz_$target.log" 2>/dev/null | tail -n 1)
  echo "fuzz_$target: ${runs:-no} inputs run"
done
exit $((status > asan_status ? status : asan_status))
