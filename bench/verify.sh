#!/usr/bin/env bash
# Benchmark of `zararod-cli verify vl`: SIZE wide weighing slips that the site
# sent to the central server (by zararod-cli send-vl itself), verified with
# the central server on loopback and behind bench/latency_relay.py, first all
# equal, then with DIFFER of them altered on the central server, spread over
# the table (every one must be reported, and nothing else). Prints one table:
# the median seconds of RUNS runs, the peak resident memory of zararod-cli
# (/usr/bin/time -v, the largest of the runs) and, over a link, the bytes the
# relay carried in both directions (median).
#
#   bench/verify.sh [build-dir]                        (default: build)
# Environment (defaults in brackets):
#   SIZE     slips                       [100000]
#   DIFFER   slips altered on central    [100]
#   RUNS     runs per measurement        [3]
#   LINKS    links to the central server [0 300:2000]: 0 = no relay, RTT = RTT ms
#            round trip, RTT:KBIT = the same with each direction capped at KBIT kbit/s
#   ZARAROD_RELAY_PORT  the relay's port [23063]
# Needs the sandbox servers and their environment:
#   scripts/sandbox start && eval "$(scripts/sandbox env)"
# Installs the `time` package when it is missing.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
cli=$build/app/zararod-cli
[ -x "$cli" ] || { echo "verify: $cli is not built" >&2; exit 1; }
: "${ZARAROD_SITE_PORT:?run eval \"\$(scripts/sandbox env)\" first}"
size=${SIZE:-100000}
differ=${DIFFER:-100}
runs=${RUNS:-3}
links=${LINKS:-0 300:2000}
relay_port=${ZARAROD_RELAY_PORT:-23063}

if ! [ -x /usr/bin/time ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time >/dev/null
fi

# The scratch folder, the relay for the links (bench/links.sh) and the wide
# slips (bench/wide_slips.sh).
source "$repo/bench/links.sh"
bench_workdir zararod-verify-bench
source "$repo/bench/wide_slips.sh"

"$repo/scripts/sandbox" ini >vedid-0.ini
ZARAROD_CENTRAL_PORT=$relay_port "$repo/scripts/sandbox" ini >vedid-relay.ini

client() { # site|central, then client arguments
  local host=$ZARAROD_SITE_HOST port=$ZARAROD_SITE_PORT
  if [ "$1" = central ]; then host=$ZARAROD_CENTRAL_HOST port=$ZARAROD_CENTRAL_PORT; fi
  shift
  mariadb --no-defaults -h"$host" -P"$port" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" \
    --default-character-set=utf8mb4 "$@"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# --- data: SIZE wide slips on the site, sent to central by the job itself ------
echo "verify: preparing $size wide slips on both servers" >&2
for server in site central; do
  {
    cat "$repo/sandbox/common.sql" "$repo/sandbox/$server.sql"
    echo "alter table vorazu1.vaznil add ($wideColumns);"
    echo "delete from vorazu1.vaznil;"
  } | client $server
done
client site vorazu1 -e "delete from vaznil_00"
weighing_slips_sql "$size" "$notes" ",$wideNames" ",$wideValues" | client site vorazu1
start=$(date +%s.%N)
"$cli" send-vl vedid-0.ini >send.out 2>&1 || { cat send.out >&2; exit 1; }
echo "verify: send-vl of $size slips took $(awk -v a="$start" -v b="$(date +%s.%N)" \
  'BEGIN {printf "%.1f", b - a}') s on loopback" >&2

# --- measurements --------------------------------------------------------------
# One row: RUNS runs of verify over the link, each checked for its exit code
# and for the number of differing records it lists.
measure() { # case, link, expected exit code, expected differing records
  local case=$1 link=$2 code=$3 expected=$4 ini=vedid-0.ini i t0 rc found
  [ "$link" = 0 ] || ini=vedid-relay.ini
  : >times; : >peaks; : >bytes
  for i in $(seq 1 "$runs"); do
    [ "$link" = 0 ] || relay_start "$link"
    t0=$(date +%s.%N)
    rc=0
    /usr/bin/time -v -o rusage "$cli" verify vl "$ini" >verify.out 2>verify.err || rc=$?
    awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN {printf "%.3f\n", b - a}' >>times
    if [ "$link" != 0 ]; then
      relay_stop
      echo $((relay_up + relay_down)) >>bytes
    fi
    if [ "$rc" != "$code" ]; then
      cat verify.out verify.err >&2
      echo "verify: exit code $rc, expected $code" >&2
      exit 1
    fi
    found=$(awk '/^differing on central: / {print $4}' verify.out)
    if [ "${found:-0}" != "$expected" ] || grep -q '^missing\|^on central only' verify.out; then
      cat verify.out >&2
      echo "verify: expected $expected differing records and nothing else" >&2
      exit 1
    fi
    awk -F': ' '/Maximum resident set size/ {print $2}' rusage >>peaks
  done
  local link_text=none mb="–"
  case $link in
    0) ;;
    *:*) link_text="${link%%:*} ms, ${link#*:} kbit/s" ;;
    *) link_text="$link ms" ;;
  esac
  [ "$link" = 0 ] || mb=$(median <bytes | awk '{printf "%.2f", $1 / 1e6}')
  printf '| %s | %s | %s | %s | %s |\n' "$case" "$link_text" "$(median <times)" \
    "$(sort -n peaks | tail -1 | awk '{printf "%.1f", $1 / 1024}')" "$mb"
}

echo "| slips | link | verify s | peak MiB | carried MB |"
echo "|---|---|---:|---:|---:|"
for link in $links; do measure "$size, all equal" "$link" 0 0; done
# DIFFER slips altered on central, one every SIZE / DIFFER, in a column of
# each kind by turn.
client central vorazu1 <<SQL
update vaznil set
  dopravce = if(id mod 4 = 0, 'Jiný dopravce', dopravce),
  brutto = if(id mod 4 = 1, brutto + 1, brutto),
  datum_platby = if(id mod 4 = 2, datum_platby + interval 1 day, datum_platby),
  teplota = if(id mod 4 = 3, teplota + 0.5, teplota)
where cislodokla in (select concat('B', lpad(seq * ($size div $differ) - 7, 7, '0'))
                     from seq_1_to_$differ);
SQL
for link in $links; do measure "$size, $differ differing" "$link" 3 "$differ"; done
