#!/usr/bin/env bash
# Every text the programs can show needs a Polish translation. The sources are
# scanned into copies of the catalogues: a text without a finished translation, or a
# translation that loses one of its %1..%9 markers, fails the test.
set -euo pipefail
source=$1
command -v lupdate >/dev/null || { echo "SKIPPED: lupdate is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

check() {
  local catalogue=$1
  shift
  cp "$source/translations/$catalogue" "$work/$catalogue"
  # lupdate's parser warnings (it predates C++14 digit separators) are noise here.
  (cd "$source" && lupdate -silent -I . -locations none -no-obsolete "$@" -ts "$work/$catalogue" \
    >/dev/null 2>"$work/lupdate.log")
  local missing
  missing=$(grep -c 'type="unfinished"' "$work/$catalogue" || true)
  if [ "$missing" -ne 0 ]; then
    echo "$catalogue: $missing texts without a Polish translation:"
    perl -0ne 'while (/<source>([^<]*)<\/source>\s*<translation type="unfinished">/sg) { print "  $1\n"; }' \
      "$work/$catalogue"
    status=1
  fi
  local markers
  markers=$(perl -0ne 'while (/<source>([^<]*)<\/source>\s*<translation>([^<]*)<\/translation>/sg) {
      my ($s, $t) = ($1, $2); my $a = join " ", sort($s =~ /%\d/g); my $b = join " ", sort($t =~ /%\d/g);
      print "  $s\n" if $a ne $b; }' "$work/$catalogue")
  if [ -n "$markers" ]; then
    echo "$catalogue: translations whose %-markers differ from their source:"
    echo "$markers"
    status=1
  fi
}

check gazelog_pl.ts recorder
check GazeviewRes_pl.ts player
exit $status
