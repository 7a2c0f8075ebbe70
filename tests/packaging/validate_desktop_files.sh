#!/usr/bin/env bash
# The desktop entries, the AppStream metainfo and the manual pages, checked by the
# validators Debian's tools use.
set -euo pipefail
packaging=$1
checked=0
if command -v desktop-file-validate >/dev/null; then
  # Hints are advice; errors and warnings fail.
  out=$(desktop-file-validate "$packaging"/*.desktop 2>&1 | grep -v ': hint: ' || true)
  [ -z "$out" ] || { echo "$out"; exit 1; }
  checked=$((checked + 1))
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$packaging"/*.metainfo.xml
  checked=$((checked + 1))
fi
if command -v man >/dev/null; then
  for page in "$packaging"/man/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  done
  checked=$((checked + 1))
fi
[ "$checked" -gt 0 ] || { echo "SKIPPED: desktop-file-validate, appstreamcli and man are missing"; exit 77; }
