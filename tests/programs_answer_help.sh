#!/usr/bin/env bash
# Asks every program of the system what every program must answer, with no display:
# its usage for --help and -h (status 0), its version for --version (status 0), and
# for an unknown option a line on standard error that points at --help (status not 0).
#   programs_answer_help.sh VERSION PROGRAM...
set -u
version=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/run"
chmod 700 "$work/run"
failures=0

run() { # run OUT ERR PROGRAM ARGS...: the status, with no display and private folders
  local out=$1 err=$2
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u ProgramFiles HOME="$work" \
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" timeout 60 "$@" >"$out" 2>"$err" </dev/null
}

fail() {
  echo "FAIL $1"
  sed 's/^/    /' "$work/err" | head -5
  failures=$((failures + 1))
}

for program in "$@"; do
  name=$(basename "$program")
  for option in --help -h; do
    run "$work/out" "$work/err" "$program" "$option"
    status=$?
    if [ "$status" -ne 0 ] || [ ! -s "$work/out" ]; then
      fail "$name $option: status $status, $(wc -c <"$work/out") bytes of usage"
    fi
  done
  run "$work/out" "$work/err" "$program" --version
  status=$?
  if [ "$status" -ne 0 ] || ! grep -q "$version" "$work/out"; then
    fail "$name --version: status $status, printed '$(head -1 "$work/out")'"
  fi
  # A window program may need a platform to get as far as its command line.
  QT_QPA_PLATFORM=offscreen run "$work/out" "$work/err" env QT_QPA_PLATFORM=offscreen "$program" --no-such-option
  status=$?
  if [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || ! grep -q -- "--help" "$work/err"; then
    fail "$name --no-such-option: status $status, no pointer to --help on standard error"
  fi
done
echo "$# programs asked, $failures failures"
[ "$failures" -eq 0 ]
