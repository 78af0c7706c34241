#!/usr/bin/env bash
# Many sites at the same moment, against real servers (scripts/sandbox many):
# eight zararod-cli send-vl at once, 500 slips each with the same document
# numbers in eight series, to one central server; then eight zararod-cli
# import-addresses at once from the central server's eight queues. Every run
# must exit 0 and every record must arrive exactly once, as its sender holds
# it. Then the receiving side's isolation level: READ COMMITTED while the
# central server logs rows, the server's own level once it logs statements.
#
# With `galera` the central server is a Galera cluster of three nodes
# (scripts/sandbox galera), site I sending to node (I - 1) % 3 + 1; the
# three nodes must then agree (CHECKSUM TABLE), and a node must have taken
# no multi-statement batch. Instead of the isolation
# levels it then shows certification conflicts: two sites send the same
# slips to two nodes at once, and each job must still succeed (a conflict
# is a deadlock error at COMMIT, which the job's retry covers).
#
#   testing/many_sites.sh <zararod-cli> [galera]
#
# The central server listens on ZARAROD_MANY_PORT (23080), the sites on the
# next eight ports; the Galera nodes on ZARAROD_GALERA_PORT (23090) and the
# two ports after it. The servers are stopped whatever happens.
set -euo pipefail
cli=$(realpath "$1")
galera=0
[ "${2:-}" = galera ] && galera=1
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sites=8
slips=500
export ZARAROD_SANDBOX_DIR
ZARAROD_SANDBOX_DIR=$(mktemp -d /tmp/zararod-many.XXXXXX)
export ZARAROD_MANY_PORT=${ZARAROD_MANY_PORT:-23080}
export ZARAROD_GALERA_PORT=${ZARAROD_GALERA_PORT:-23090}
work=$ZARAROD_SANDBOX_DIR/work
cleanup() {
  "$repo/scripts/sandbox" many stop || true
  "$repo/scripts/sandbox" galera stop || true
  rm -rf "$ZARAROD_SANDBOX_DIR"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
# Should this script be killed outright (a test timeout), no trap runs: a
# watchdog then stops the servers once the script is gone. It runs in a
# session of its own and is no child of the script, so that whoever kills
# the script's process tree does not take the watchdog with it.
( setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
    ZARAROD_SANDBOX_DIR=$2 "$3/scripts/sandbox" many stop
    ZARAROD_SANDBOX_DIR=$2 "$3/scripts/sandbox" galera stop; rm -rf "$2"' \
    watchdog $$ "$ZARAROD_SANDBOX_DIR" "$repo" </dev/null >/dev/null 2>&1 & )

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

sql() { # server (central, site1.., node1..3), statements; prints the rows tab-separated
  local socket=$ZARAROD_SANDBOX_DIR/many/$1/mysqld.sock
  case "$1" in
    node*) socket=$ZARAROD_SANDBOX_DIR/galera/$1/mysqld.sock ;;
    central) [ $galera = 1 ] && socket=$ZARAROD_SANDBOX_DIR/galera/node1/mysqld.sock ;;
  esac
  mariadb --no-defaults -uroot --socket="$socket" \
    --default-character-set=utf8mb4 -N -B vorazu1 -e "SET SESSION group_concat_max_len = 16777216; $2"
}

# The Galera counters of conflicts, summed over the nodes: transactions that
# failed certification, and local ones aborted by a replicated one.
conflicts() {
  local total=0 i
  for i in 1 2 3; do
    total=$((total + $(sql "node$i" "SELECT sum(variable_value) FROM information_schema.global_status
      WHERE variable_name IN ('wsrep_local_cert_failures', 'wsrep_local_bf_aborts')")))
  done
  echo $total
}

started=$SECONDS
"$repo/scripts/sandbox" many start $sites
[ $galera = 1 ] && "$repo/scripts/sandbox" galera start

# Central: 500 addresses, queued for every series; the earlier copies of the
# first 100 slips of every series.
queues=""
for i in $(seq 1 $sites); do
  queues+="CREATE TABLE dovodi.adresar_$i (kodpar VARCHAR(10) NOT NULL, KEY kodpar (kodpar))
             ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;
           INSERT INTO dovodi.adresar_$i SELECT concat('P', lpad(seq, 4, '0')) FROM seq_1_to_$slips;
           INSERT INTO vorazu1.vaznil (cislodokla, rada, ridic)
             SELECT concat('2026/', lpad(seq, 4, '0')), '$i', 'stará verze' FROM seq_1_to_100;"
done
sql central "
  DELETE FROM vorazu1.vaznil; DELETE FROM dovodi.adresar;
  INSERT INTO dovodi.adresar (NAZEVPODNI, SIDLO, ULICECISLO, PSC, POSTA, kodpar, ICO, KOD_PLATCE,
      ADR1, ADR2, ADR3, ADR4, ADR5, ADR6, emailobj, email_fakt, LIC_VNITRO, DATUMZAL)
    SELECT concat('Podnik ', seq, ' O''Neil s.r.o.'), 'Žďár nad Sázavou', concat('Polní ', seq),
      '59101', 'Žďár 1', concat('P', lpad(seq, 4, '0')), lpad(seq, 8, '0'), 'A',
      concat('k rukám: ', seq), '', 'řádek; třetí', '', '', '', concat('obj', seq, '@agro.cz'),
      concat('fakt', seq, '@agro.cz'), if(seq % 2, 'Y', 'N'), '2026-01-01 00:00:00'
    FROM seq_1_to_$slips;
  $queues"

# Site i: 500 queued slips of series i with the document numbers of every
# other site; earlier copies of the first 100 addresses.
for i in $(seq 1 $sites); do
  sql "site$i" "
    DELETE FROM vorazu1.vaznil; DELETE FROM vorazu1.vaznil_00; DELETE FROM dovodi.adresar;
    INSERT INTO vorazu1.vaznil (PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar,
        nazevpar, komodita, brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t,
        pocet_vazeni, stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno)
      SELECT 1, concat('2026/', lpad(seq, 4, '0')), '$i', '2026-07-01' + INTERVAL seq DAY,
        sec_to_time(seq * 61), '2026-07-01 06:00:00' + INTERVAL seq MINUTE, concat('1AB ', seq),
        concat('Řidič ', $i, '/', seq, ' O''Neil'), 'P0001', 'Podnik', 'pšenice', 30000 + seq,
        12000 + $i, 18000 + seq, 13.5, 0.25, 5120.50, 90000 + seq, seq / 4, 1, $i, 'Y',
        concat('poznámka; ', seq), seq * 1000, 2026, '2026-07-14 08:01:00'
      FROM seq_1_to_$slips;
    INSERT INTO vorazu1.vaznil_00 SELECT cislodokla, rada FROM vorazu1.vaznil;
    INSERT INTO dovodi.adresar (kodpar, NAZEVPODNI)
      SELECT concat('P', lpad(seq, 4, '0')), 'stará adresa' FROM seq_1_to_100;"
  mkdir -p "$work/$i"
  "$repo/scripts/sandbox" many ini "$i" >"$work/$i/vedid.ini"
  if [ $galera = 1 ]; then
    # The central section's port (the first SQLport line): node (i-1) % 3 + 1.
    sed -i "0,/^SQLport=.*/s//SQLport=$((ZARAROD_GALERA_PORT + (i - 1) % 3))\r/" "$work/$i/vedid.ini"
  fi
done
echo "servers and data ready after $((SECONDS - started)) s"

run_all() { # zararod-cli command, run in every site's directory at once
  local i begin=$SECONDS runs=()
  for i in $(seq 1 $sites); do
    (cd "$work/$i" && { "$cli" "$1" vedid.ini >out.txt 2>err.txt; echo $? >rc; }) &
    runs+=($!)
  done
  wait "${runs[@]}"
  for i in $(seq 1 $sites); do
    [ "$(cat "$work/$i/rc")" = 0 ] || fail "site $i: $1 exited $(cat "$work/$i/rc"): $(cat "$work/$i/err.txt")"
  done
  local galera_line=""
  [ $galera = 1 ] && galera_line=", certification conflicts $(conflicts)"
  echo "$sites x $1: $((SECONDS - begin)) s, $(cat "$work"/*/out.txt | grep -c "opakuji") retries;" \
    "central: $(sql central "SELECT group_concat(name, ' ', count SEPARATOR ', ')
      FROM information_schema.INNODB_METRICS WHERE name IN ('lock_deadlocks', 'lock_timeouts')")$galera_line"
}

# The three Galera nodes hold the same rows of every table the jobs write.
nodes_agree() {
  local tables="vorazu1.vaznil, dovodi.adresar" i sums
  for i in $(seq 1 $sites); do tables+=", dovodi.adresar_$i"; done
  sums=$(sql node1 "CHECKSUM TABLE $tables")
  for i in 2 3; do
    [ "$(sql "node$i" "CHECKSUM TABLE $tables")" = "$sums" ] || fail "node $i disagrees with node 1"
  done
}

slip_columns="cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar, nazevpar, komodita, brutto,
  tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t, pocet_vazeni, stav, potvrzeno,
  poznamka, id_sklad, sklizen, zmeneno"
slips_of() { # server, series: count, distinct keys and a digest of the series' slips
  sql "$1" "SELECT count(*), count(DISTINCT cislodokla),
      md5(group_concat(concat_ws('|', $slip_columns) ORDER BY cislodokla SEPARATOR '\n'))
    FROM vorazu1.vaznil WHERE rada = '$2'"
}
address_columns="NAZEVPODNI, SIDLO, ULICECISLO, PSC, POSTA, kodpar, ICO, KOD_PLATCE, ADR1, ADR2,
  ADR3, ADR4, ADR5, ADR6, emailobj, email_fakt, LIC_VNITRO"
addresses_of() { # server: count, distinct keys and a digest of the addresses
  sql "$1" "SELECT count(*), count(DISTINCT kodpar),
      md5(group_concat(concat_ws('|', $address_columns) ORDER BY kodpar SEPARATOR '\n'))
    FROM dovodi.adresar"
}

[ $galera = 1 ] && sql node1 "SET GLOBAL log_output = 'TABLE'; SET GLOBAL general_log = 1"
run_all send-vl
if [ $galera = 1 ]; then
  # A cluster node takes a job's script one statement per round trip (see
  # app/record_transfer.cpp): no text holds two of them.
  batches=$(sql node1 "SELECT count(*) FROM mysql.general_log
    WHERE command_type = 'Query' AND argument LIKE concat('%', char(13, 10), ';%')")
  sql node1 "SET GLOBAL general_log = 0"
  [ "$batches" = 0 ] || fail "node 1 took $batches multi-statement batches"
fi
[ "$(sql central "SELECT count(*) FROM vorazu1.vaznil")" = $((sites * slips)) ] ||
  fail "central holds $(sql central "SELECT count(*) FROM vorazu1.vaznil") slips"
for i in $(seq 1 $sites); do
  sent=$(slips_of "site$i" "$i")
  case "$sent" in "$slips	$slips	"*) ;; *) fail "site $i holds $sent" ;; esac
  [ "$(slips_of central "$i")" = "$sent" ] || fail "series $i on central: $(slips_of central "$i")"
  [ "$(sql "site$i" "SELECT count(*) FROM vorazu1.vaznil_00")" = 0 ] || fail "site $i queue not empty"
done

run_all import-addresses
expected=$(addresses_of central)
case "$expected" in "$slips	$slips	"*) ;; *) fail "central holds $expected" ;; esac
for i in $(seq 1 $sites); do
  [ "$(addresses_of "site$i")" = "$expected" ] || fail "site $i addresses: $(addresses_of "site$i")"
  [ "$(sql central "SELECT count(*) FROM dovodi.adresar_$i")" = 0 ] || fail "queue adresar_$i not empty"
done

if [ $galera = 1 ]; then
  nodes_agree
  # Sites 1 and 2 hold the same new versions of slips that the central
  # server holds already, and send them at the same moment to nodes 1 and 2:
  # both delete the same rows, so whichever commits second on the cluster
  # fails certification (a deadlock error at COMMIT) and runs again. Up to
  # five rounds, until a conflict has been seen.
  # (A key that the central server does not hold yet gives no row to
  # conflict on: without a unique key over cislodokla and rada the cluster
  # would take both sites' copies. Each site sends its own series.)
  for round in 1 2 3 4 5; do
    sql central "DELETE FROM vorazu1.vaznil WHERE rada = 'C';
      INSERT INTO vorazu1.vaznil (cislodokla, rada, ridic)
        SELECT concat('2026/', lpad(seq, 4, '0')), 'C', 'stará verze' FROM seq_1_to_$slips"
    # A node applies what another committed a moment later: the sites' nodes
    # must hold the earlier copies before the sites send, or a site may find
    # none to delete (the limit above) and the round would test nothing.
    for i in 1 2; do
      [ "$(sql "node$i" "SET SESSION wsrep_sync_wait = 1;
        SELECT count(*) FROM vorazu1.vaznil WHERE rada = 'C'")" = $slips ] ||
        fail "node $i lacks the earlier copies"
    done
    before=$(conflicts)
    for i in 1 2; do
      sql "site$i" "DELETE FROM vorazu1.vaznil_00; DELETE FROM vorazu1.vaznil WHERE rada = 'C';
        INSERT INTO vorazu1.vaznil (cislodokla, rada, ridic, brutto)
          SELECT concat('2026/', lpad(seq, 4, '0')), 'C', concat('Řidič ', seq, ' kolo $round'), seq
          FROM seq_1_to_$slips;
        INSERT INTO vorazu1.vaznil_00 SELECT cislodokla, rada FROM vorazu1.vaznil WHERE rada = 'C'"
    done
    begin=$SECONDS
    runs=()
    for i in 1 2; do
      (cd "$work/$i" && { "$cli" send-vl vedid.ini >out.txt 2>err.txt; echo $? >rc; }) &
      runs+=($!)
    done
    wait "${runs[@]}"
    for i in 1 2; do
      [ "$(cat "$work/$i/rc")" = 0 ] || fail "round $round, site $i: send-vl exited $(cat "$work/$i/rc"): $(cat "$work/$i/err.txt")"
    done
    seen=$(($(conflicts) - before))
    echo "same slips from 2 sites to 2 nodes, round $round: $((SECONDS - begin)) s," \
      "$(cat "$work"/[12]/out.txt | grep -c "opakuji") retries, $seen certification conflicts"
    series_c="SELECT count(*), count(DISTINCT cislodokla), md5(group_concat(concat_ws('|',
      cislodokla, ridic, brutto) ORDER BY cislodokla SEPARATOR '\n')) FROM vorazu1.vaznil WHERE rada = 'C'"
    [ "$(sql central "$series_c")" = "$(sql site1 "$series_c")" ] ||
      fail "series C on central: $(sql central "$series_c")"
    nodes_agree
    [ "$seen" -gt 0 ] && break
  done
  echo "many sites (galera): $((SECONDS - started)) s in all, $failures failures"
  [ $failures -eq 0 ]
  exit
fi

# The isolation level of the receiving side, by the central server's log
# format: one slip of site 1 sent again under each.
sql central "SET GLOBAL log_output = 'TABLE'; SET GLOBAL general_log = 1"
for format in MIXED STATEMENT; do
  sql central "SET GLOBAL binlog_format = '$format'; TRUNCATE mysql.general_log"
  sql site1 "INSERT INTO vorazu1.vaznil_00 VALUES ('2026/0001', '1')"
  (cd "$work/1" && "$cli" send-vl vedid.ini >out.txt 2>err.txt) ||
    fail "send-vl with a $format binary log: $(cat "$work/1/err.txt")"
  levels=$(sql central "SELECT count(*) FROM mysql.general_log
    WHERE argument LIKE 'SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED%'")
  want=1
  [ $format = STATEMENT ] && want=0
  [ "$levels" = $want ] || fail "$format binary log: $levels requests for READ COMMITTED, want $want"
  [ "$(slips_of central 1)" = "$(slips_of site1 1)" ] || fail "series 1 after the $format run"
done
sql central "SET GLOBAL general_log = 0"

echo "many sites: $((SECONDS - started)) s in all, $failures failures"
[ $failures -eq 0 ]
