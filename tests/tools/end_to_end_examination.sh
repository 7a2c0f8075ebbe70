#!/usr/bin/env bash
# One examination from start to end: the recording window with a robot operator, the
# tracker and calibration stand-ins (or, with "pupil" as the third argument, the Pupil
# Capture stand-in), the real player on a virtual display; then the results file is
# read back by the analysis tool. The movie is the demo's ball, which either stand-in's
# viewer follows in movie time: most of the recorded gaze lies on the ball.
set -euo pipefail
bin=$1
sim=$2
tracker=${3:-eyetribe}
command -v xvfb-run >/dev/null || { echo "SKIPPED: xvfb-run is missing"; exit 77; }
command -v gst-launch-1.0 >/dev/null || { echo "SKIPPED: gst-launch-1.0 is missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/runtime" "$work/results"
chmod 700 "$work/runtime"
"$bin/demo-movie" --width 320 --height 240 --frames 100 --aois "$work/movie.avi_aois.csv" |
  gst-launch-1.0 -q fdsrc ! rawvideoparse format=rgbx width=320 height=240 framerate=25/1 ! videoconvert \
  ! jpegenc ! avimux ! filesink location="$work/movie.avi"

# The stand-ins where the recorder looks for them, the tracker server's viewer watching the ball.
mkdir -p "$work/programs/EyeTribe/Server"
for standIn in "$sim"/*/; do
  [ "$(basename "$standIn")" = EyeTribe ] || ln -s "$standIn" "$work/programs/$(basename "$standIn")"
done
ln -s "$sim/EyeTribe/Client" "$work/programs/EyeTribe/Client"
printf '#!/bin/sh\nexec "%s" --follow-ball "$@"\n' "$sim/EyeTribe/Server/EyeTribe" >"$work/programs/EyeTribe/Server/EyeTribe"
chmod +x "$work/programs/EyeTribe/Server/EyeTribe"

# A tracker port of our own, so that a demo or a real server elsewhere on this machine is never met.
port=$("$(dirname "$0")/../support/free_port.sh")

export ProgramFiles=$work/programs XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
export GAZEVIEW_AUDIO_SINK=fakesink EYETRIBEUI_CALIBRATE=1 GAZELOG_GOPRO_ADDRESS=127.0.0.1:1
unset DISPLAY QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$bin/gazelog-demo" --movie "$work/movie.avi" --results "$work/results" --id e2e --timeout 60 \
  --tracker-port "$port" --tracker "$tracker"

results=$(ls "$work"/results/e2e_*.csv)
head -n 1 "$results" | grep -qx 'time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;interesting_point_value'
grep -qx '#Examination id: e2e' "$results"
samples=$(grep -cvE '^(#|time_ms)' "$results")
# Four seconds at the stand-in's 30 frames a second (Pupil Capture's: 120), give or take the start-up.
minimum=60
[ "$tracker" = pupil ] && minimum=240
[ "$samples" -ge "$minimum" ] || { echo "only $samples samples in $results"; exit 1; }
"$bin/gaze-analyse" --no-series --at 2000 "$results" | grep -q 'loaded'
grep -q 'Koniec pliku logowania' "$work/config/Orvalis/Gazelog.log"
# The share of the gaze's time inside the ball's area (the ball and a margin), at the same movie time.
"$bin/gaze-analyse" --aois "$work/movie.avi_aois.csv" --aoi-table "$work/aois.csv" "$results" >/dev/null
on_ball=$(awk -F';' '$2 == "ball" && $3 == "all" {print int($6)}' "$work/aois.csv")
[ "${on_ball:-0}" -ge 70 ] || { echo "only ${on_ball:-0}% of the gaze on the ball"; cat "$work/aois.csv"; exit 1; }
echo "gaze on the ball ${on_ball}% of the time"
echo "end-to-end examination ($tracker): $samples samples"
