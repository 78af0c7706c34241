#!/usr/bin/env bash
# The Windows program does what the Linux one does: zararod-cli.exe under Wine
# and the Linux zararod-cli each run the three jobs on the sample data of the
# sandbox servers (the central server over verified TLS), and both leave the
# same rows on both servers and the same script files, byte for byte.
#
#   testing/windows_matches_linux.sh WINE-RUN ZARAROD-CLI.EXE LINUX-ZARAROD-CLI
#
# Needs the sandbox servers of the test command (the ZARAROD_* variables of
# scripts/sandbox env); reloads their sample data before each run and after.
set -euo pipefail
wine_run=$1
windows_cli=$2
linux_cli=$3
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d /tmp/zararod-windows-e2e.XXXXXX)
trap '"$repo/scripts/sandbox" reset >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

datumzal_column() { # port; DATUMZAL's place among the address columns
  mariadb -h127.0.0.1 -P"$1" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" -N -B -e "
    select ordinal_position from information_schema.columns
    where table_schema = 'dovodi' and table_name = 'adresar' and column_name = 'DATUMZAL'"
}

# Every row of the job tables of one server, in key order, one line each. An
# imported address's DATUMZAL is the time of the import, so it is shown only
# as whether the run set it.
snapshot() { # port
  local db_table
  for db_table in dovodi.adresar vorazu1.vaznil vorazu1.laborl \
                  vorazu1.vaznil_00 vorazu1.laborl_00; do
    mariadb -h127.0.0.1 -P"$1" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" \
      --default-character-set=cp1250 -N -B \
      -e "select * from $db_table order by 1, 2" 2>/dev/null |
      if [ "$db_table" = dovodi.adresar ]; then
        awk -F'\t' -v OFS='\t' -v column="$(datumzal_column "$1")" -v day="$(date +%F)" \
          '{ $column = ($column ~ "^" day) ? "today" : $column; print }'
      else
        cat
      fi || true
  done
  mariadb -h127.0.0.1 -P"$1" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" -N -B \
    -e "select table_name from information_schema.tables where table_name like 'adresar\_%'" |
  while read -r queue; do
    mariadb -h127.0.0.1 -P"$1" -u"$ZARAROD_DB_USER" -p"$ZARAROD_DB_PASSWORD" -N -B \
      -e "select * from dovodi.$queue order by 1"
  done
}

run_jobs() { # folder, program...
  local folder=$1
  shift
  mkdir -p "$folder"
  (
    cd "$folder"
    for job in status import-addresses send-vl send-ll status; do
      "$@" "$job" "$settings" > "$job.out" 2>&1 || { cat "$job.out" >&2; exit 1; }
    done
  )
  snapshot "$ZARAROD_SITE_PORT" > "$folder/site.rows"
  snapshot "$ZARAROD_CENTRAL_PORT" > "$folder/central.rows"
}

"$repo/scripts/sandbox" ini > "$work/linux.ini"
# The Windows program gets the CA file by its Windows name.
"$repo/scripts/sandbox" ini wine > "$work/windows.ini"
grep -q '^SSL=1' "$work/windows.ini"

"$repo/scripts/sandbox" reset >/dev/null
settings=$work/linux.ini run_jobs "$work/linux" "$linux_cli"
"$repo/scripts/sandbox" reset >/dev/null
settings="Z:${work//\//\\}\\windows.ini" run_jobs "$work/windows" "$wine_run" "$windows_cli"

failed=0
for file in aad.txt avl.txt all.txt site.rows central.rows; do
  if cmp -s "$work/linux/$file" "$work/windows/$file"; then
    echo "same: $file ($(wc -c < "$work/linux/$file") bytes)"
  else
    echo "DIFFERENT: $file" >&2
    diff <(od -c "$work/linux/$file") <(od -c "$work/windows/$file") | head -n 20 >&2 || true
    failed=1
  fi
done
# The jobs moved something: the queues were not empty before.
[ -s "$work/linux/avl.txt" ] && [ -s "$work/linux/aad.txt" ] || { echo "no records moved" >&2; failed=1; }
exit $failed
