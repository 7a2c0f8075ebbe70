#!/usr/bin/env bash
# Gazelog started as a user starts it, with no tracker programs installed (no ProgramFiles),
# on a virtual display: whatever start-up box is open, SIGTERM ends it promptly with
# status 0 and its log closed.
#   gazelog_terminated_at_startup.sh BIN
set -uo pipefail
bin=$1
command -v xvfb-run >/dev/null || { echo "SKIPPED: xvfb-run is missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime HOME=$work
export GAZELOG_GOPRO_ADDRESS=127.0.0.1:1 GST_PLUGIN_FEATURE_RANK=fakeaudiosink:512
unset ProgramFiles DISPLAY QT_QPA_PLATFORM GAZELOG_UNATTENDED_ANSWER

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  log=$XDG_CONFIG_HOME/Orvalis/Gazelog.log
  "$1/Gazelog" -m /nope/gone.avi >"$2/console.txt" 2>&1 & program=$!
  # The window is up once its constructor has ended; then the start-up warnings come.
  for _ in $(seq 1 300); do grep -q "Gazelog::Gazelog():[0-9]*\] end" "$log" 2>/dev/null && break; sleep 0.1; done
  sleep 2
  xwininfo -root -tree 2>/dev/null | grep -c "\"Gazelog\"" >"$2/windows.txt"
  kill -TERM $program
  for _ in $(seq 1 50); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
  if kill -0 $program 2>/dev/null; then
    kill -KILL $program
    echo "still running 5 s after SIGTERM"
    exit 1
  fi
  wait $program
' _ "$bin" "$work"
status=$?
log=$work/config/Orvalis/Gazelog.log
if [ "$status" -ne 0 ]; then
  echo "Gazelog ended with status $status"
  tail -n 20 "$log" "$work/console.txt" 2>/dev/null
  exit 1
fi
grep -q "Gazelog::Gazelog():[0-9]*\] end" "$log" || { echo "the window never came up"; cat "$work/console.txt"; exit 1; }
tail -n 1 "$log" | grep -q "Koniec pliku logowania" || { echo "the log was not closed:"; tail -n 5 "$log"; exit 1; }
echo "Gazelog ended on SIGTERM with its log closed ($(cat "$work/windows.txt" 2>/dev/null || echo '?') windows of Gazelog were open)"
