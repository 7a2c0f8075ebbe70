#!/usr/bin/env bash
# Runs a test in a process namespace of its own: the programs it starts, looks up
# or ends by name are then only its own, whatever else (a demo, a real tracker
# server) runs on the machine, and they end with it. Where the system allows no
# namespace, the test runs as it is.
if [ "$(id -u)" = 0 ]; then
  flags=(--pid --fork --mount-proc)
else
  flags=(--user --map-root-user --pid --fork --mount-proc)
fi
if command -v unshare >/dev/null && unshare "${flags[@]}" true 2>/dev/null; then
  # A shell as the namespace's first process reaps the programs the test leaves behind.
  exec unshare "${flags[@]}" bash -c '"$@"; exit $?' private-namespace "$@"
fi
echo "private_namespace: no process namespace here; running without one" >&2
exec "$@"
