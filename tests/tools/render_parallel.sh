#!/usr/bin/env bash
# scripts/render-parallel end to end: a short film in three pieces on this
# machine, joined into one file, with nothing left beside it.
set -euo pipefail
bin=$1
script=$2
command -v parallel >/dev/null || { echo "SKIPPED: GNU parallel is missing"; exit 77; }
command -v gst-launch-1.0 >/dev/null || { echo "SKIPPED: gst-launch-1.0 is missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/study with space" "$work/out" "$work/settings"
export XDG_CONFIG_HOME=$work/config HOME=$work
gst-launch-1.0 -q videotestsrc pattern=ball num-buffers=75 \
  ! video/x-raw,width=320,height=240,framerate=25/1 ! jpegenc ! avimux name=mux ! filesink location="$work/film.avi" \
  audiotestsrc num-buffers=300 samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=1 ! mux.
for v in 1 2 3; do
  {
    echo "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;interesting_point_value"
    for ((t = 0; t <= 3000; t += 20)); do echo "$t;$((200000 * v + 50 * t));500000;1;30000;0"; done
  } >"$work/study with space/viewer$v.csv"
done

# [WHEN] the film is rendered in three pieces, two at a time
GAZE_RENDER=$bin/gaze-render "$script" "$work/film.avi" "$work/study with space" "$work/out/heat map.mp4" \
  --pieces 3 --jobs 2 -- --settings "$work/settings" 2>"$work/err" || { cat "$work/err"; exit 1; }

# [THEN] the joined file is there, alone, and holds the film's frames
[[ -s "$work/out/heat map.mp4" ]] || { echo "no output"; cat "$work/err"; exit 1; }
[[ $(ls -A "$work/out" | wc -l) -eq 1 ]] || { echo "left beside the output:"; ls -A "$work/out"; exit 1; }
grep -q "3 parts joined" "$work/err" || { cat "$work/err"; exit 1; }
frames=$(gst-launch-1.0 -v filesrc location="$work/out/heat map.mp4" ! qtdemux ! avdec_h264 ! fakesink silent=false 2>&1 |
  grep -c "chain   \*\*\*" || true)
[[ $frames -eq 75 ]] || { echo "frames: $frames, not 75"; exit 1; }

# a bad command line is refused before anything is rendered
if GAZE_RENDER=$bin/gaze-render "$script" "$work/film.avi" "$work/study with space" "$work/film.avi" --pieces 2 2>/dev/null; then
  echo "an output over the movie was accepted"; exit 1
fi
echo "render-parallel: OK"
