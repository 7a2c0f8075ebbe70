#!/usr/bin/env bash
# Prints a loopback TCP port that nothing listens on, taken below the kernel's
# range of ephemeral ports: a port in that range can be bound at any moment as
# the local end of some other program's connection, and a server started on it
# then fails with "Address already in use".
set -euo pipefail
read -r first_ephemeral _ < /proc/sys/net/ipv4/ip_local_port_range || first_ephemeral=32768
low=10000
high=$((first_ephemeral - 1))
[ "$high" -gt "$low" ] || { low=1024; high=$((first_ephemeral - 1)); }
for _ in $(seq 100); do
  candidate=$(shuf -i "$low-$high" -n 1)
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
    echo "$candidate"
    exit 0
  fi
done
echo "no free port between $low and $high" >&2
exit 1
