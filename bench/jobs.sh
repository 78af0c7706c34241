#!/usr/bin/env bash
# Whole-job benchmark of the three transfer jobs of zararod-cli (send-vl,
# send-ll, import-addresses), with the central server on loopback and behind
# bench/latency_relay.py (the way a site reaches it over the internet), each
# next to its references:
#   - the mariadb client replaying the same statements one by one, one
#     transaction per server (the queue read and the per-record SELECT and
#     DELETE on the sending server, the job's saved script on the receiving
#     one) - the floor that the ratio column compares with;
#   - pt-archiver --limit 1000 --commit-each moving the same queued records.
# Both references spend a round trip per record, so they run only at sizes up
# to SLOW_MAX (the mariadb client runs at every size where there is no relay:
# that is the floor the jobs must meet at full size). Prints one table: the
# median of RUNS runs of zararod-cli, of the mariadb client and their ratio,
# pt-archiver's median, zararod-cli's peak resident memory (/usr/bin/time -v,
# the largest of the runs) and the growth of zararod-cli's time from the first
# size next to the growth of the size.
#
#   bench/jobs.sh [build-dir]                          (default: build)
# Environment (defaults in brackets):
#   SIZES    records per run            [1000 10000]
#   RUNS     runs per measurement       [3]
#   LINKS    round trips to the central server in ms, 0 = no relay  [0 20]
#   JOBS     which jobs                 [send-vl send-ll import-addresses]
#   SLOW_MAX largest size for the references that are slow over a link [1000]
#   ZARAROD_RELAY_PORT  first port for the relays [23063]
# Needs the sandbox servers and their environment:
#   scripts/sandbox start && eval "$(scripts/sandbox env)"
# Installs the `time` and `percona-toolkit` packages when they are missing.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
cli=$build/app/zararod-cli
[ -x "$cli" ] || { echo "jobs: $cli is not built" >&2; exit 1; }
: "${ZARAROD_SITE_PORT:?run eval \"\$(scripts/sandbox env)\" first}"
sizes=${SIZES:-1000 10000}
runs=${RUNS:-3}
links=${LINKS:-0 20}
jobs=${JOBS:-send-vl send-ll import-addresses}
slow_max=${SLOW_MAX:-1000}
relay_port=${ZARAROD_RELAY_PORT:-23063}

# --- tools -------------------------------------------------------------------
need() { # command, Debian package that brings it
  command -v "$1" >/dev/null && return 0
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "jobs: installing $2" >&2
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$2" >/dev/null
}
need /usr/bin/time time
need pt-archiver percona-toolkit

work=$(mktemp -d /tmp/zararod-bench.XXXXXX)
relays=()
cleanup() {
  local pid
  for pid in "${relays[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${relays[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# --- links -------------------------------------------------------------------
# One relay per round trip > 0, in front of the central server only: the site
# server is the local one.
declare -A centralPort
for rtt in $links; do
  [ "$rtt" = 0 ] && continue
  python3 "$repo/bench/latency_relay.py" --listen "$relay_port" --to "$ZARAROD_CENTRAL_PORT" \
    --round-trip-ms "$rtt" >"relay-$rtt.log" 2>&1 &
  relays+=($!)
  for _ in $(seq 1 100); do grep -q '^relay:' "relay-$rtt.log" && break; sleep 0.1; done
  grep -q '^relay:' "relay-$rtt.log" || { cat "relay-$rtt.log" >&2; exit 1; }
  centralPort[$rtt]=$relay_port
  ZARAROD_CENTRAL_PORT=$relay_port "$repo/scripts/sandbox" ini >"vedid-$rtt.ini"
  relay_port=$((relay_port + 1))
done
centralPort[0]=$ZARAROD_CENTRAL_PORT
"$repo/scripts/sandbox" ini >vedid-0.ini

client() { # site|central, round trip to central, then client arguments
  local port=$ZARAROD_SITE_PORT host=$ZARAROD_SITE_HOST
  if [ "$1" = central ]; then port=${centralPort[$2]} host=$ZARAROD_CENTRAL_HOST; fi
  shift 2
  mariadb --no-defaults -h"$host" -P"$port" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" \
    --default-character-set=cp1250 --binary-mode "$@"
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.3f\n", b - a}'; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# --- data --------------------------------------------------------------------
# Both servers get the sample databases back, then N queued records with
# realistic values in every column.
prepare() { # job, n
  local job=$1 n=$2 server
  for server in site central; do
    cat "$repo/sandbox/common.sql" "$repo/sandbox/$server.sql" |
      client $server 0 --default-character-set=utf8mb4
  done
  case $job in
    send-vl) client site 0 --default-character-set=utf8mb4 vorazu1 <<SQL ;;
insert into vaznil (PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar, nazevpar,
  komodita, brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t, pocet_vazeni,
  stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno)
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
    send-ll) client site 0 --default-character-set=utf8mb4 vorazu1 <<SQL ;;
insert into laborl (PC8, cislodokla, rada, datum, cas, odebrano, kodpar, komodita, vzorek,
  vlhkost, primesi, necistoty, bilkoviny, objem_hmotnost, padove_cislo, trida, srazka_kc,
  schvaleno, laborant, poznamka, cislo_vzorku, sklizen, zapsano)
select 1, concat('LB', lpad(seq, 7, '0')), '01', '2026-07-14' - interval (seq mod 200) day,
  sec_to_time(seq mod 86400), '2026-07-14 07:50:00' - interval seq minute, '100234',
  'pšenice potravinářská', concat('V-', seq), 13.80 + (seq mod 50) / 100, 2.10, 1.20,
  12.75 + (seq mod 9) / 10, 700 + seq mod 100, 250 + seq mod 120, 1 + seq mod 3,
  (seq mod 4) * 250, if(seq mod 3, 'Y', 'N'), 'Ing. Šárka Horáková',
  'Zápach: bez závad; vzorek uložen v C:\\\\lab\\\\ — ověřit?', 77000000 + seq, 2026,
  '2026-07-14 08:20:00' + interval seq second
from seq_1_to_$n;
insert into laborl_00 select cislodokla, rada from laborl where cislodokla like 'LB%';
SQL
    import-addresses)
      # The central book gets N partners queued for series 10; the site
      # already knows every other one (an older copy that the job replaces).
      local partners="select concat('Zemědělské družstvo Žďár ', seq, ', a.s.'), 'Žďár nad Sázavou',
  concat('Jihlavská ', seq mod 200), '59101', 'Žďár nad Sázavou 1', concat('P', lpad(seq, 7, '0')),
  lpad(seq * 7, 8, '0'), 'A', 'k rukám: p. Novotná', 'sklad \"Jih\"', NULL, NULL, NULL, NULL,
  concat('objednavky', seq, '@zdzdar.cz'), concat('faktury', seq, '@zdzdar.cz'),
  if(seq mod 2, 'Y', 'N'), '2025-03-01 10:00:00' + interval seq minute from seq_1_to_$n"
      local into="insert into adresar (NAZEVPODNI, SIDLO, ULICECISLO, PSC, POSTA, kodpar, ICO,
  KOD_PLATCE, ADR1, ADR2, ADR3, ADR4, ADR5, ADR6, emailobj, email_fakt, LIC_VNITRO, DATUMZAL)"
      client central 0 --default-character-set=utf8mb4 dovodi <<SQL
$into $partners;
insert into adresar_10 select kodpar from adresar where kodpar like 'P%';
SQL
      client site 0 --default-character-set=utf8mb4 dovodi <<SQL
$into $partners where seq mod 2 = 0;
SQL
      ;;
  esac
}

# --- zararod-cli ---------------------------------------------------------------
declare -A savedScript=([send-vl]=avl.txt [send-ll]=all.txt [import-addresses]=aad.txt)
declare -A queueLeft=(
  [send-vl]="site vorazu1 select count(*) from vaznil_00"
  [send-ll]="site vorazu1 select count(*) from laborl_00"
  [import-addresses]="central dovodi select count(*) from adresar_10")

run_cli() { # job, round trip; appends the time and the peak KB, keeps the saved script
  local job=$1 rtt=$2 start left server db query
  start=$(now)
  /usr/bin/time -v -o cli.rusage "$cli" "$job" "vedid-$rtt.ini" >cli.out 2>&1 ||
    { cat cli.out >&2; echo "jobs: zararod-cli $job failed" >&2; exit 1; }
  elapsed "$start" >>cli.times
  awk -F': ' '/Maximum resident set size/ {print $2}' cli.rusage >>cli.peak
  read -r server db query <<<"${queueLeft[$job]}"
  left=$(client "$server" 0 -N "$db" -e "$query")
  [ "$left" = 0 ] || { echo "jobs: $job left $left records queued" >&2; exit 1; }
  cp "${savedScript[$job]}" "script-$job.sql"
}

# --- the references ------------------------------------------------------------------
declare -A slipTable=([send-vl]=vaznil [send-ll]=laborl)

columns_of() { # server, database, table: its columns but the local id and PC8
  client "$1" 0 -N -e "select group_concat(column_name order by ordinal_position)
    from information_schema.columns where table_schema = '$2' and table_name = '$3'
    and column_name not in ('id', 'PC8')"
}

# The mariadb client floor. The sending server's part: the queue read, then
# per record the SELECT of the record and the DELETE from the queue, as
# zararod-cli issues them.
sending_statements() { # job
  case $1 in
    send-vl | send-ll)
      local table=${slipTable[$1]} columns
      columns=$(columns_of site vorazu1 "$table")
      client site 0 -N -r vorazu1 <<SQL
select 'SET TRANSACTION ISOLATION LEVEL READ COMMITTED;' union all select 'START TRANSACTION;'
union all select 'select * from ${table}_00;' union all
select concat('select $columns from $table where cislodokla = ', quote(cislodokla),
  ' and rada = ', quote(rada), ';\ndelete from ${table}_00 where cislodokla = ',
  quote(cislodokla), ' and rada = ', quote(rada), ';') from ${table}_00
union all select 'COMMIT;';
SQL
      ;;
    import-addresses)
      client central 0 -N -r dovodi <<SQL
select 'SET TRANSACTION ISOLATION LEVEL READ COMMITTED;' union all select 'START TRANSACTION;'
union all select 'select * from adresar_10;' union all
select concat('select * from adresar where kodpar = ', quote(kodpar),
  ';\ndelete from adresar_10 where kodpar = ', quote(kodpar), ';') from adresar_10
union all select 'COMMIT;';
SQL
      ;;
  esac
}

run_floor() { # job, round trip; needs the script that zararod-cli saved for this job
  local job=$1 rtt=$2 start sender=site receiver=central db=vorazu1
  [ "$job" = import-addresses ] && { sender=central receiver=site db=dovodi; }
  sending_statements "$job" >sending.sql
  { echo "START TRANSACTION;"; cat "script-$job.sql"; echo "COMMIT;"; } >receiving.sql
  start=$(now)
  client $sender "$rtt" "$db" <sending.sql >/dev/null
  client $receiver "$rtt" "$db" <receiving.sql >/dev/null
  elapsed "$start" >>floor.times
}

# pt-archiver copies the queued records row by row from the sending server to
# the receiving one, committing both every 1000 rows: --where selects the
# records through the queue, --no-delete keeps them on the sender (the jobs
# leave the records there too), --columns leaves out the local id and PC8 like
# the jobs do. It neither empties the queue nor deletes an older copy on the
# receiver, so it does a little less than a job.
# --no-safe-auto-increment: by default it would keep back the row with the
# highest id. --no-version-check: no look-ups outside this machine.
run_archiver() { # job, round trip
  local job=$1 rtt=$2 start source dest where table db sender queued inserted
  local site="h=$ZARAROD_SITE_HOST,P=$ZARAROD_SITE_PORT"
  local central="h=$ZARAROD_CENTRAL_HOST,P=${centralPort[$rtt]}"
  local login="u=$ZARAROD_DB_USER,p=$ZARAROD_DB_PASSWORD,A=cp1250"
  case $job in
    send-vl | send-ll)
      table=${slipTable[$job]} db=vorazu1 sender=site
      source="$site,$login,D=$db,t=$table" dest="$central,D=$db,t=$table"
      where="(cislodokla, rada) in (select cislodokla, rada from ${table}_00)"
      ;;
    import-addresses)
      table=adresar db=dovodi sender=central
      source="$central,$login,D=$db,t=$table" dest="$site,D=$db,t=$table"
      where="kodpar in (select kodpar from adresar_10)"
      ;;
  esac
  queued=$(client $sender 0 -N "$db" -e "select count(*) from $table where $where")
  start=$(now)
  pt-archiver --source "$source" --dest "$dest" --where "$where" \
    --columns "$(columns_of $sender $db "$table")" \
    --limit 1000 --commit-each --no-delete --no-safe-auto-increment --no-version-check \
    --statistics >archiver.out 2>&1 || { cat archiver.out >&2; echo "jobs: pt-archiver failed" >&2; exit 1; }
  elapsed "$start" >>archiver.times
  inserted=$(awk '$1 == "INSERT" {print $2}' archiver.out)
  [ "$inserted" = "$queued" ] ||
    { echo "jobs: pt-archiver moved ${inserted:-no} records of $queued" >&2; exit 1; }
}

# --- the relay on its own ------------------------------------------------------------
# Sessions of 1 and of 21 statements through each relay (medians of 3): the
# difference is 20 round trips; the rest of a session is the login and the client.
printf 'select 1;\n' >select1.sql
printf 'select 1;\n%.0s' {1..21} >select21.sql
session() { # round trip, statements file; prints the median seconds of 3 sessions
  local start
  for _ in 1 2 3; do
    start=$(now)
    client central "$1" <"$2" >/dev/null
    elapsed "$start"
  done | median
}
for rtt in $links; do
  [ "$rtt" = 0 ] && continue
  awk -v d="$(session 0 select1.sql)" -v one="$(session "$rtt" select1.sql)" \
    -v more="$(session "$rtt" select21.sql)" -v r="$rtt" 'BEGIN {
    printf "relay check (%s ms): a one-statement session %.0f ms directly, %.0f ms relayed; +%.1f ms for each further statement\n",
      r, d * 1000, one * 1000, (more - one) * 1000 / 20 }'
done

# --- the runs ------------------------------------------------------------------------
declare -A firstMedian # job/round trip -> zararod-cli's median at the first size
read -r first_size _ <<<"$sizes"

measure() { # job, n, round trip: runs everything RUNS times and prints the row
  local job=$1 n=$2 rtt=$3 took floor=- archiver=- peak growth=- link=none
  : >cli.times; : >cli.peak; : >floor.times; : >archiver.times
  for _ in $(seq 1 "$runs"); do
    prepare "$job" "$n"
    run_cli "$job" "$rtt"
    if [ "$rtt" = 0 ] || [ "$n" -le "$slow_max" ]; then
      prepare "$job" "$n"
      run_floor "$job" "$rtt"
    fi
    if [ "$n" -le "$slow_max" ]; then
      prepare "$job" "$n"
      run_archiver "$job" "$rtt"
    fi
  done
  took=$(median <cli.times)
  [ -s floor.times ] && floor=$(median <floor.times)
  [ -s archiver.times ] && archiver=$(median <archiver.times)
  peak=$(sort -n cli.peak | tail -1)
  [ "$n" = "$first_size" ] && firstMedian[$job/$rtt]=$took
  [ -n "${firstMedian[$job/$rtt]:-}" ] && [ "$n" != "$first_size" ] &&
    growth=$(awk -v t="$took" -v t0="${firstMedian[$job/$rtt]}" -v n="$n" -v n0="$first_size" \
      'BEGIN {printf "%.1f/%g", t / t0, n / n0}')
  [ "$rtt" = 0 ] || link="$rtt ms"
  awk -v job="$job" -v n="$n" -v link="$link" -v t="$took" -v f="$floor" -v a="$archiver" \
    -v kb="$peak" -v g="$growth" 'BEGIN {
    printf "%-17s %8d %6s %14.3f %10s %6s %14s %8.1f %10s\n", job, n, link, t,
      f == "-" ? "-" : sprintf("%.3f", f), f == "-" ? "-" : sprintf("%.2f", t / f),
      a == "-" ? "-" : sprintf("%.3f", a), kb / 1024, g }'
}

printf '%-17s %8s %6s %14s %10s %6s %14s %8s %10s\n' job records link \
  'zararod-cli s' 'mariadb s' ratio 'pt-archiver s' 'peak MB' growth
for job in $jobs; do
  for n in $sizes; do
    for rtt in $links; do measure "$job" "$n" "$rtt"; done
  done
done
echo "ratio: zararod-cli / mariadb client; growth: zararod-cli's time / its time at $first_size records, then the same for the size"
