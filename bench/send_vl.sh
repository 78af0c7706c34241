#!/usr/bin/env bash
# Whole-job benchmark of "odeslat VL": queues N weighing slips in the sandbox
# and times `zararod-cli send-vl` against its floor, the mariadb client
# replaying the same statements one by one (the queue read, one SELECT and one
# DELETE per 500 queued slips on the site, the script's statements on the
# central server, each side inside one transaction). Prints both medians,
# their ratio and the 10,000/1,000 scaling.
#
#   bench/send_vl.sh [build-dir] [runs]      (default: build, 3 runs)
# Needs the sandbox servers and their environment:
#   scripts/sandbox start && eval "$(scripts/sandbox env)"
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
runs=${2:-3}
cli=$build/app/zararod-cli
[ -x "$cli" ] || { echo "send_vl: $cli is not built" >&2; exit 1; }
: "${ZARAROD_SITE_PORT:?run eval \"\$(scripts/sandbox env)\" first}"

work=$(mktemp -d /tmp/zararod-bench.XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
cd "$work"
"$repo/scripts/sandbox" ini >vedid.ini

client() { # site|central, then client arguments
  local port=$ZARAROD_SITE_PORT host=$ZARAROD_SITE_HOST
  if [ "$1" = central ]; then port=$ZARAROD_CENTRAL_PORT host=$ZARAROD_CENTRAL_HOST; fi
  shift
  mariadb --no-defaults -h"$host" -P"$port" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" \
    --default-character-set=cp1250 --binary-mode "$@"
}

columns=cislodokla,rada,datum,cas,vazeno,spz,ridic,kodpar,nazevpar,komodita,brutto,tara,netto,vlhkost,necistoty,cena_t,castka,hmotnost_t,pocet_vazeni,stav,potvrzeno,poznamka,id_sklad,sklizen,zmeneno

# Sample data plus N queued slips with realistic values in every column.
prepare() {
  local n=$1
  for server in site central; do
    cat "$repo/sandbox/common.sql" "$repo/sandbox/$server.sql" | client $server --default-character-set=utf8mb4
  done
  client site --default-character-set=utf8mb4 vorazu1 <<SQL
insert into vaznil (PC8, $columns)
select 1, concat('B', lpad(seq, 7, '0')), '01', '2026-07-14' - interval (seq mod 200) day,
  sec_to_time(seq mod 86400), '2026-07-14 07:42:10' - interval seq minute,
  concat(seq mod 9, 'AB ', lpad(seq mod 10000, 4, '0')), 'Jiří Dvořák', '100234',
  'Zemědělské družstvo Žďár, a.s.', 'pšenice potravinářská', 38000 + seq mod 1000,
  14000 + seq mod 500, 24000 + seq mod 700, 13.80, 1.20, 5120.50, 123089 + seq,
  24.04 + seq / 1000, 2, 1, if(seq mod 2, 'Y', 'N'), 'Vlhkost přeměřena; vzorek č. 2: OK?',
  9000000000 + seq, 2026, '2026-07-14 08:01:00' + interval seq second
from seq_1_to_$n;
insert into vaznil_00 select cislodokla, rada from vaznil where cislodokla like 'B%';
SQL
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

declare -A cliTime floorTime
for n in ${SIZES:-1000 10000}; do
  : >cli.times; : >floor.times
  for _ in $(seq 1 "$runs"); do
    prepare "$n"
    start=$(now)
    "$cli" send-vl vedid.ini >/dev/null
    echo "$(now) - $start" | bc >>cli.times
    cp avl.txt script.sql

    # The floor replays the same stream with the mariadb client.
    prepare "$n"
    client site -N -r vorazu1 >site.sql <<SQL
set session group_concat_max_len = 1073741824;
select 'SET TRANSACTION ISOLATION LEVEL READ COMMITTED;' union all select 'START TRANSACTION;' union all
select 'select * from vaznil_00;' union all
select concat('select $columns from vaznil where ', c, ';\ndelete from vaznil_00 where ', c, ';')
from (select group_concat(k separator ' or ') c from (
  select (row_number() over () - 1) div 500 chunk, concat('(cislodokla = ', quote(cislodokla),
    ' and rada = ', quote(rada), ' and binary convert(cislodokla using cp1250) = _binary',
    quote(cislodokla), ' and binary convert(rada using cp1250) = _binary', quote(rada), ')') k
  from vaznil_00) q group by chunk) chunks
union all select 'COMMIT;';
SQL
    start=$(now)
    client site vorazu1 <site.sql >/dev/null
    { echo "START TRANSACTION;"; cat script.sql; echo "COMMIT;"; } | client central vorazu1
    echo "$(now) - $start" | bc >>floor.times
  done
  cliTime[$n]=$(median <cli.times)
  floorTime[$n]=$(median <floor.times)
  printf 'N=%-6s zararod-cli send-vl %7.3f s   mariadb client %7.3f s   ratio %.2f\n' \
    "$n" "${cliTime[$n]}" "${floorTime[$n]}" "$(echo "${cliTime[$n]} / ${floorTime[$n]}" | bc -l)"
done
# The scaling line needs both sizes (SIZES may name others).
if [ -n "${cliTime[1000]:-}" ] && [ -n "${cliTime[10000]:-}" ]; then
  printf 'scaling 10000/1000: zararod-cli %.2f, mariadb client %.2f (linear: 10)\n' \
    "$(echo "${cliTime[10000]} / ${cliTime[1000]}" | bc -l)" \
    "$(echo "${floorTime[10000]} / ${floorTime[1000]}" | bc -l)"
fi
