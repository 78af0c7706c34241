#!/usr/bin/env bash
# Whole-job benchmark of the three transfer jobs of zararod-cli (send-vl,
# send-ll, import-addresses), with the central server on loopback and behind
# bench/latency_relay.py (the way a site reaches it over the internet, or over
# a poor mobile or radio link), each next to its references:
#   - the mariadb client replaying the same statements one by one, one
#     transaction per server (the queue read and the per-record SELECT and
#     DELETE on the sending server, the job's saved script on the receiving
#     one) - the floor that the ratio column compares with;
#   - pt-archiver --limit 1000 --commit-each moving the same queued records.
# Both references spend a round trip per record, so over a link they run only
# at sizes up to SLOW_MAX; on loopback they run at every size. Prints one
# table: the median of RUNS runs of zararod-cli, of the mariadb client and
# their ratio, pt-archiver's median, the peak resident memory of zararod-cli
# and of pt-archiver (/usr/bin/time -v, the largest of the runs), the bytes
# zararod-cli sent across the link (median, and against the bytes of the SQL text
# it saved) and the growth of zararod-cli's time from the first size next to
# the growth of the size. Then one row per job for a link that breaks: CUT_SIZE
# records queued, zararod-cli run again after each failure, up to CUT_RUNS
# times, each run on a fresh link that is cut every CUT_EVERY seconds; the
# receiving table is then checked for records lost (neither delivered nor
# still queued) and duplicated.
#
# The slip tables are wide by default: 33 columns more than the sandbox's
# (60 in all: whole numbers, decimals, dates, times, short and long texts),
# about 7 KB of SQL text per slip.
#
#   bench/jobs.sh [build-dir]                          (default: build)
# Environment (defaults in brackets):
#   SIZES    records per run            [1000 10000]
#   RUNS     runs per measurement       [3]
#   LINKS    links to the central server [0 20 300:2000]: 0 = no relay, RTT =
#            RTT ms round trip, RTT:KBIT = the same with each direction
#            capped at KBIT kbit/s
#   JOBS     which jobs                 [send-vl send-ll import-addresses]
#   WIDE     1: wide slips; 0: the sandbox's 27 columns  [1]
#   SLOW_MAX largest size for the references over a link [1000]
#   CAPPED_MAX  largest size over a capped link [1000]
#   CAPPED_REFS 1: the references also over a capped link, in the first run
#            only (at 300 ms they take minutes per 1,000 records)  [0]
#   CUT_SIZE records queued for the broken-link row, 0 = no such row [3000]
#   CUT_LINK round trip in ms of the broken link [20]
#   CUT_EVERY seconds between cuts      [2]
#   CUT_RUNS most runs of zararod-cli   [8]
#   COMPRESS the value of Compress= in both sections of the settings, empty
#            for none  []
#   ZARAROD_RELAY_PORT  the relay's port [23063]
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
links=${LINKS:-0 20 300:2000}
jobs=${JOBS:-send-vl send-ll import-addresses}
wide=${WIDE:-1}
slow_max=${SLOW_MAX:-1000}
capped_max=${CAPPED_MAX:-1000}
capped_refs=${CAPPED_REFS:-0}
cut_size=${CUT_SIZE:-3000}
cut_link=${CUT_LINK:-20}
cut_every=${CUT_EVERY:-2}
cut_runs=${CUT_RUNS:-8}
compress=${COMPRESS:-}
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

# The scratch folder, and the relay for the links (bench/links.sh).
source "$repo/bench/links.sh"
bench_workdir zararod-bench

linked() { # link, command...: runs the command, through a relay unless the link is 0
  local link=$1
  shift
  [ "$link" = 0 ] && { "$@"; return; }
  relay_start "$link"
  "$@"
  relay_stop
}

with_compress() { # the settings on stdin, with Compress=$compress in both sections
  if [ -z "$compress" ]; then cat; else sed "s/^\(\[LogON[^]]*\]\)\r\$/\1\r\nCompress=$compress\r/"; fi
}
"$repo/scripts/sandbox" ini | with_compress >vedid-0.ini
ZARAROD_CENTRAL_PORT=$relay_port "$repo/scripts/sandbox" ini | with_compress >vedid-relay.ini
ini_for() { if [ "$1" = 0 ]; then echo vedid-0.ini; else echo vedid-relay.ini; fi; }

client() { # site|central, link to central, then client arguments
  local port=$ZARAROD_SITE_PORT host=$ZARAROD_SITE_HOST
  if [ "$1" = central ]; then
    host=$ZARAROD_CENTRAL_HOST port=$ZARAROD_CENTRAL_PORT
    [ "$2" = 0 ] || port=$relay_port
  fi
  shift 2
  mariadb --no-defaults -h"$host" -P"$port" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" \
    --default-character-set=cp1250 --binary-mode "$@"
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.3f\n", b - a}'; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

# --- data --------------------------------------------------------------------
# The wide slips and their values: bench/wide_slips.sh.
source "$repo/bench/wide_slips.sh"

# Both servers get the sample databases back (the slip tables widened when
# WIDE=1), then N queued records with realistic values in every column.
prepare() { # job, n
  local job=$1 n=$2 server names="" values="" pool=""
  for server in site central; do
    {
      cat "$repo/sandbox/common.sql" "$repo/sandbox/$server.sql"
      if [ "$wide" = 1 ]; then
        echo "alter table vorazu1.vaznil add ($wideColumns);"
        echo "alter table vorazu1.laborl add ($wideColumns);"
      fi
    } | client $server 0 --default-character-set=utf8mb4
  done
  if [ "$wide" = 1 ]; then names=",$wideNames" values=",$wideValues" pool=$notes; fi
  case $job in
    send-vl) weighing_slips_sql "$n" "$pool" "$names" "$values" |
      client site 0 --default-character-set=utf8mb4 vorazu1 ;;
    send-ll) client site 0 --default-character-set=utf8mb4 vorazu1 <<SQL ;;
$pool
insert into laborl (PC8, cislodokla, rada, datum, cas, odebrano, kodpar, komodita, vzorek,
  vlhkost, primesi, necistoty, bilkoviny, objem_hmotnost, padove_cislo, trida, srazka_kc,
  schvaleno, laborant, poznamka, cislo_vzorku, sklizen, zapsano$names)
select 1, concat('LB', lpad(seq, 7, '0')), '01', '2026-07-14' - interval (seq mod 200) day,
  sec_to_time(seq mod 86400), '2026-07-14 07:50:00' - interval seq minute, '100234',
  'pšenice potravinářská', concat('V-', seq), 13.80 + (seq mod 50) / 100, 2.10, 1.20,
  12.75 + (seq mod 9) / 10, 700 + seq mod 100, 250 + seq mod 120, 1 + seq mod 3,
  (seq mod 4) * 250, if(seq mod 3, 'Y', 'N'), 'Ing. Šárka Horáková',
  'Zápach: bez závad; vzorek uložen v C:\\\\lab\\\\ — ověřit?', 77000000 + seq, 2026,
  '2026-07-14 08:20:00' + interval seq second$values
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

queued() { # job: the records still queued
  local server db query
  read -r server db query <<<"${queueLeft[$1]}"
  client "$server" 0 -N "$db" -e "$query"
}

cli_once() { # job, link; the exit code of zararod-cli, its peak KB in cli.rusage
  local job=$1 link=$2
  /usr/bin/time -v -o cli.rusage "$cli" "$job" "$(ini_for "$link")" >cli.out 2>&1
}

run_cli() { # job, link; appends the time, the peak KB and the bytes sent, keeps the saved script
  local job=$1 link=$2 start left
  [ "$link" = 0 ] || relay_start "$link"
  start=$(now)
  cli_once "$job" "$link" || { cat cli.out >&2; echo "jobs: zararod-cli $job failed" >&2; exit 1; }
  elapsed "$start" >>cli.times
  if [ "$link" != 0 ]; then
    relay_stop
    # The bytes that carried the records: up for slips, down for addresses.
    if [ "$job" = import-addresses ]; then echo "$relay_down"; else echo "$relay_up"; fi >>cli.sent
  fi
  awk -F': ' '/Maximum resident set size/ {print $2}' cli.rusage >>cli.peak
  left=$(queued "$job")
  [ "$left" = 0 ] || { echo "jobs: $job left $left records queued" >&2; exit 1; }
  cp "${savedScript[$job]}" "script-$job.sql"
  wc -c <"script-$job.sql" >>cli.text
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

run_floor() { # job, link; needs the script that zararod-cli saved for this job
  local job=$1 link=$2 start sender=site receiver=central db=vorazu1
  [ "$job" = import-addresses ] && { sender=central receiver=site db=dovodi; }
  sending_statements "$job" >sending.sql
  { echo "START TRANSACTION;"; cat "script-$job.sql"; echo "COMMIT;"; } >receiving.sql
  [ "$link" = 0 ] || relay_start "$link"
  start=$(now)
  client $sender "$link" "$db" <sending.sql >/dev/null
  client $receiver "$link" "$db" <receiving.sql >/dev/null
  elapsed "$start" >>floor.times
  [ "$link" = 0 ] || relay_stop
}

# pt-archiver copies the queued records row by row from the sending server to
# the receiving one, committing both every 1000 rows: --where selects the
# records through the queue, --no-delete keeps them on the sender (the jobs
# leave the records there too), --columns leaves out the local id and PC8 like
# the jobs do. It neither empties the queue nor deletes an older copy on the
# receiver, so it does a little less than a job.
# --no-safe-auto-increment: by default it would keep back the row with the
# highest id. --no-version-check: no look-ups outside this machine.
run_archiver() { # job, link
  local job=$1 link=$2 start source dest where table db sender queued inserted port columns
  port=$ZARAROD_CENTRAL_PORT
  [ "$link" = 0 ] || port=$relay_port
  local site="h=$ZARAROD_SITE_HOST,P=$ZARAROD_SITE_PORT"
  local central="h=$ZARAROD_CENTRAL_HOST,P=$port"
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
  columns=$(columns_of $sender $db "$table")
  [ "$link" = 0 ] || relay_start "$link"
  start=$(now)
  /usr/bin/time -v -o archiver.rusage pt-archiver --source "$source" --dest "$dest" \
    --where "$where" --columns "$columns" \
    --limit 1000 --commit-each --no-delete --no-safe-auto-increment --no-version-check \
    --statistics >archiver.out 2>&1 || { cat archiver.out >&2; echo "jobs: pt-archiver failed" >&2; exit 1; }
  elapsed "$start" >>archiver.times
  [ "$link" = 0 ] || relay_stop
  awk -F': ' '/Maximum resident set size/ {print $2}' archiver.rusage >>archiver.peak
  inserted=$(awk '$1 == "INSERT" {print $2}' archiver.out)
  [ "$inserted" = "$queued" ] ||
    { echo "jobs: pt-archiver moved ${inserted:-no} records of $queued" >&2; exit 1; }
}

# --- the relay on its own ------------------------------------------------------------
# Sessions of 1 and of 21 statements through each relay (medians of 3): the
# difference is 20 round trips; the rest of a session is the login and the
# client. Over a capped link also a session of one 250 KB statement, whose
# extra time against the one-statement session gives the rate.
printf 'select 1;\n' >select1.sql
printf 'select 1;\n%.0s' {1..21} >select21.sql
printf "select length('%s');\n" "$(head -c 187500 /dev/urandom | base64 -w0)" >select250k.sql
session() { # link, statements file; prints the median seconds of 3 sessions
  local start
  for _ in 1 2 3; do
    start=$(now)
    client central "$1" <"$2" >/dev/null
    elapsed "$start"
  done | median
}
link_label() { # link
  case $1 in
    0) echo none ;;
    *:*) echo "${1%%:*} ms ${1#*:} kbit/s" ;;
    *) echo "$1 ms" ;;
  esac
}
for link in $links; do
  [ "$link" = 0 ] && continue
  direct=$(session 0 select1.sql)
  relay_start "$link"
  one=$(session "$link" select1.sql)
  more=$(session "$link" select21.sql)
  big=-
  [[ "$link" == *:* ]] && big=$(session "$link" select250k.sql)
  relay_stop
  awk -v d="$direct" -v one="$one" -v more="$more" -v big="$big" -v bytes="$(wc -c <select250k.sql)" \
    -v l="$(link_label "$link")" 'BEGIN {
    printf "relay check (%s): a one-statement session %.0f ms directly, %.0f ms relayed; +%.1f ms for each further statement",
      l, d * 1000, one * 1000, (more - one) * 1000 / 20
    if (big != "-") printf "; a %d-byte statement +%.0f ms (%.0f kbit/s)", bytes, (big - one) * 1000,
      bytes * 8 / 1000 / (big - one)
    printf "\n" }'
done

# --- the runs ------------------------------------------------------------------------
declare -A firstMedian # job/link -> zararod-cli's median at the first size
read -r first_size _ <<<"$sizes"

measure() { # job, n, link: runs everything RUNS times and prints the row
  local job=$1 n=$2 link=$3 run took floor=- archiver=- peak archiverPeak=- sent=- sentText=- growth=-
  local capped=0 refs=0
  [[ "$link" == *:* ]] && capped=1
  if [ "$link" = 0 ]; then refs=1
  elif [ "$n" -le "$slow_max" ] && { [ "$capped" = 0 ] || [ "$capped_refs" = 1 ]; }; then refs=1
  fi
  : >cli.times; : >cli.peak; : >cli.sent; : >cli.text; : >floor.times; : >archiver.times; : >archiver.peak
  for run in $(seq 1 "$runs"); do
    prepare "$job" "$n"
    run_cli "$job" "$link"
    # Over a capped link the references take minutes: once is enough.
    [ "$refs" = 1 ] && { [ "$capped" = 0 ] || [ "$run" = 1 ]; } || continue
    prepare "$job" "$n"
    run_floor "$job" "$link"
    prepare "$job" "$n"
    run_archiver "$job" "$link"
  done
  took=$(median <cli.times)
  [ -s floor.times ] && floor=$(median <floor.times)
  [ -s archiver.times ] && archiver=$(median <archiver.times)
  [ -s archiver.peak ] && archiverPeak=$(sort -n archiver.peak | tail -1)
  if [ -s cli.sent ]; then
    sent=$(median <cli.sent)
    sentText=$(awk -v u="$sent" -v t="$(median <cli.text)" 'BEGIN {printf "%.2f", u / t}')
  fi
  peak=$(sort -n cli.peak | tail -1)
  [ "$n" = "$first_size" ] && firstMedian[$job/$link]=$took
  [ -n "${firstMedian[$job/$link]:-}" ] && [ "$n" != "$first_size" ] &&
    growth=$(awk -v t="$took" -v t0="${firstMedian[$job/$link]}" -v n="$n" -v n0="$first_size" \
      'BEGIN {printf "%.1f/%g", t / t0, n / n0}')
  awk -v job="$job" -v n="$n" -v link="$(link_label "$link")" -v t="$took" -v f="$floor" \
    -v a="$archiver" -v kb="$peak" -v akb="$archiverPeak" -v sent="$sent" -v st="$sentText" -v g="$growth" '
    function num(v, fmt) { return v == "-" ? "-" : sprintf(fmt, v) }
    BEGIN {
    printf "%-17s %8d %-17s %13.3f %10s %6s %14s %8.1f %9s %8s %7s %8s\n", job, n, link, t,
      num(f, "%.3f"), f == "-" ? "-" : sprintf("%.2f", t / f), num(a, "%.3f"), kb / 1024,
      akb == "-" ? "-" : sprintf("%.1f", akb / 1024), sent == "-" ? "-" : sprintf("%.2f", sent / 1e6),
      st, g }'
}

# The broken link: CUT_SIZE records queued, then zararod-cli run until the
# queue is empty, at most CUT_RUNS times, each run on a fresh relay that cuts
# every connection CUT_EVERY seconds after it starts and every CUT_EVERY
# seconds after that. Then the records are checked by their keys: delivered
# (on the receiving server), lost (neither delivered nor still queued) and
# duplicated (rows on the receiving server beyond one per key).
declare -A recordKeys=(
  [send-vl]="site|central|vorazu1|concat(cislodokla, '/', rada)|vaznil|cislodokla like 'B%'|vaznil_00"
  [send-ll]="site|central|vorazu1|concat(cislodokla, '/', rada)|laborl|cislodokla like 'LB%'|laborl_00"
  [import-addresses]="central|site|dovodi|kodpar|adresar|kodpar like 'P%'|adresar_10")

keys_of() { # server, database, key expression, table, condition
  client "$1" 0 -N "$2" -e "select $3 from $4 where $5" | sort
}

cut_row() { # job
  local job=$1 sender receiver db key table condition queue ran=0 left link
  local delivered lost duplicated rows outcome
  IFS='|' read -r sender receiver db key table condition queue <<<"${recordKeys[$job]}"
  link=$cut_link
  prepare "$job" "$cut_size"
  left=$(queued "$job")
  while [ "$left" != 0 ] && [ "$ran" -lt "$cut_runs" ]; do
    ran=$((ran + 1))
    relay_start "$link" --cut-every "$cut_every"
    cli_once "$job" "$link" || true
    relay_stop
    left=$(queued "$job")
  done
  keys_of "$sender" "$db" "$key" "$table" "$condition" >all.keys
  keys_of "$receiver" "$db" "$key" "$table" "$condition" >received.keys
  client "$sender" 0 -N "$db" -e "select $key from $queue" | sort -u >queued.keys
  sort -u received.keys >delivered.keys
  delivered=$(comm -12 all.keys delivered.keys | wc -l)
  lost=$(sort -u delivered.keys queued.keys | comm -23 all.keys - | wc -l)
  rows=$(wc -l <received.keys)
  duplicated=$((rows - $(wc -l <delivered.keys)))
  if [ "$left" = 0 ]; then
    outcome="all delivered in $ran"
  else
    outcome="not delivered in $ran ($(comm -12 all.keys queued.keys | wc -l) queued)"
  fi
  printf '%-17s %8d %-24s %-30s %9d %5d %10d\n' "$job" "$cut_size" \
    "$(link_label "$link"), cut ${cut_every} s" "$outcome" "$delivered" "$lost" "$duplicated"
}

printf '%-17s %8s %-17s %13s %10s %6s %14s %8s %9s %8s %7s %8s\n' job records link \
  'zararod-cli s' 'mariadb s' ratio 'pt-archiver s' 'peak MB' 'pt-a. MB' 'sent MB' 'sent/SQL' growth
for job in $jobs; do
  for n in $sizes; do
    for link in $links; do
      [[ "$link" == *:* ]] && [ "$n" -gt "$capped_max" ] && continue
      measure "$job" "$n" "$link"
    done
  done
done
echo "ratio: zararod-cli / mariadb client; peak MB: largest resident set of zararod-cli, pt-a. MB: of pt-archiver;"
echo "sent MB: bytes of zararod-cli that crossed the link towards the receiving server (relayed rows), sent/SQL:"
echo "those bytes / the bytes of the script it saved; growth: zararod-cli's time / its time at $first_size records, then the same for the size"
if [ "$cut_size" -gt 0 ]; then
  echo
  printf '%-17s %8s %-24s %-30s %9s %5s %10s\n' job records link runs delivered lost duplicated
  for job in $jobs; do cut_row "$job"; done
fi
