# Sanitizer builds and their run-time options, shared by scripts/test,
# scripts/fuzz and scripts/soak. Every report ends the process with a
# non-zero status, so a test or a fuzz run that meets one fails.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:exitcode=23:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=24"
export LSAN_OPTIONS="suppressions=$ROOT/tests/sanitizers/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$ROOT/tests/sanitizers/tsan.supp"

# configure_sanitized DIR SANITIZERS [extra cmake args...]: a clang build of
# everything (tests included) with the given sanitizers.
configure_sanitized() {
  local dir=$1 san=$2
  shift 2
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DRV_ZR6180_SANITIZE=$san" "-DCMAKE_C_FLAGS=-fno-sanitize-recover=all" \
    "-DCMAKE_CXX_FLAGS=-fno-sanitize-recover=all" "$@" >/dev/null
}

# The libFuzzer targets: ASan + UBSan, no GTK, no GoogleTest suites.
configure_fuzz() {
  configure_sanitized build-fuzz address,undefined -DRV_ZR6180_FUZZ=ON -DRV_ZR6180_TESTS=OFF -DRV_ZR6180_GTK=OFF
}
FUZZ_TARGETS=(RozeberPaket ParameterFile RozdelUvozovky)

# run_fuzzer TARGET SECONDS: a bounded run of a built target; new inputs go to
# build-fuzz/corpus/TARGET, a finding to build-fuzz/findings/ and fails it.
run_fuzzer() {
  mkdir -p "$ROOT/build-fuzz/corpus/$1" "$ROOT/build-fuzz/findings"
  # Absolute paths: the ParameterFile harness works in its own directory.
  "$ROOT/build-fuzz/fuzz/fuzz_$1" -max_total_time="$2" -max_len=16384 -print_final_stats=1 \
    -artifact_prefix="$ROOT/build-fuzz/findings/$1-" "$ROOT/build-fuzz/corpus/$1" "$ROOT/tests/fuzz/corpus/$1"
}
