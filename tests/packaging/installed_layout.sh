#!/usr/bin/env bash
# Installs the build into a private prefix, moves the prefix elsewhere and runs the
# programs from there: they must find each other and their catalogues relative to
# their own folder. With the stand-ins installed, a whole examination runs from it.
set -euo pipefail
build=$1 bindir=$2 datadir=$3 mandir=$4 stand_ins=$5 examination=$6

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/prefix"
prefix=$work/prefix

for program in Gazelog Gazeview gaze-analyse trackercheck; do
  [ -x "$prefix/$bindir/$program" ] || { echo "missing program $program"; exit 1; }
  [ -s "$prefix/$mandir/man1/$program.1.gz" ] || { echo "missing manual page of $program"; exit 1; }
done
for catalogue in gazelog_pl.qm GazeviewRes_pl.qm; do
  [ -s "$prefix/$datadir/orvalis-reelscan/translations/$catalogue" ] || { echo "missing $catalogue"; exit 1; }
done
# Nothing of the build tree may have come along.
[ ! -e "$prefix/$bindir/GazeviewRes_pl.qm" ] || { echo "catalogue installed beside the programs"; exit 1; }

mkdir -p "$work/config/Orvalis" "$work/runtime" "$work/elsewhere"
chmod 700 "$work/runtime"
printf '[GUI]\nlanguage=pl\n' >"$work/config/Orvalis/GazeviewGUI.ini"
# The help must print on a machine with no display at all, from any working folder.
(cd "$work/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  "$prefix/$bindir/Gazeview" -h >"$work/help.txt" 2>"$work/help.err") ||
  { echo "Gazeview -h failed:"; cat "$work/help.err"; exit 1; }
grep -q -- '-m <' "$work/help.txt" || { echo "no help printed:"; cat "$work/help.txt"; exit 1; }
grep -q "Language file 'GazeviewRes_pl.qm' loaded ok." "$work/config/Orvalis/Gazeview.log" ||
  { echo "the installed player did not find its Polish catalogue"; exit 1; }

# The recorder finds its own catalogue too: with no tracker installed its warning is Polish.
(cd "$work/elsewhere" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u "ProgramFiles(x86)" QT_QPA_PLATFORM=offscreen \
  ProgramFiles="$work/no-programs" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  "$prefix/$bindir/Gazelog" >/dev/null 2>"$work/recorder.err") &
recorder=$!
# The warning comes once the window is up, however long a busy machine takes for that.
for _ in $(seq 1200); do
  grep -q 'EyeTribe SDK' "$work/recorder.err" && break
  kill -0 "$recorder" 2>/dev/null || { echo "the installed recorder ended by itself:"; cat "$work/recorder.err"; exit 1; }
  sleep 0.1
done
kill -TERM "$recorder"
wait "$recorder" || true
grep -q 'Nie znaleziono EyeTribe SDK' "$work/recorder.err" ||
  { echo "the installed recorder did not speak Polish:"; cat "$work/recorder.err"; exit 1; }

if [ -z "$stand_ins" ]; then
  echo "installed layout checked; the stand-ins are not installed (GAZE_INSTALL_STAND_INS=OFF), no examination"
  exit 0
fi
"$examination" "$prefix/$bindir" "$prefix/$stand_ins"
