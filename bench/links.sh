# The scratch folder and the links to the central server of the benchmarks
# (sourced by bench/jobs.sh and bench/verify.sh, which set repo and
# relay_port first).
#
# A link is "0" (none: the central server directly), "RTT" (ms round trip) or
# "RTT:KBIT" (and each direction capped at KBIT kbit/s). One relay
# (bench/latency_relay.py) runs at a time, in front of the central server only
# (the site server is the local one), started for each timed command and
# stopped after it, which leaves the bytes it carried in relay_up and
# relay_down.

bench_workdir() { # prefix: makes the folder $work and enters it; removed at exit unless KEEP=1
  work=$(mktemp -d "/tmp/$1.XXXXXX")
  relay_pid=
  trap bench_cleanup EXIT
  cd "$work"
}
bench_cleanup() {
  if [ -n "$relay_pid" ]; then kill "$relay_pid" 2>/dev/null || true; wait "$relay_pid" 2>/dev/null || true; fi
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}

relay_start() { # link, then further relay options
  local link=$1 rtt kbit
  shift
  rtt=${link%%:*}
  kbit=0
  [ "$link" = "$rtt" ] || kbit=${link#*:}
  python3 "$repo/bench/latency_relay.py" --listen "$relay_port" --to "$ZARAROD_CENTRAL_PORT" \
    --round-trip-ms "$rtt" --up-kbit "$kbit" --down-kbit "$kbit" "$@" >relay.log 2>&1 &
  relay_pid=$!
  for _ in $(seq 1 100); do grep -q '^relay:' relay.log && break; sleep 0.05; done
  grep -q '^relay:' relay.log || { cat relay.log >&2; exit 1; }
}
relay_stop() {
  kill "$relay_pid"
  wait "$relay_pid" || true
  relay_pid=
  read -r relay_up relay_down < <(awk '/^relay: carried/ {print $3, $6}' relay.log)
  [ -n "$relay_up" ] || { cat relay.log >&2; echo "bench: the relay reported nothing" >&2; exit 1; }
}
