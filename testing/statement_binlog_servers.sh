#!/usr/bin/env bash
# A site and a central server that both write their binary log in STATEMENT
# format, for the jobs' tests on such servers (app/statement_binlog_db_test).
# CTest starts them before those tests and stops them after.
#
#   testing/statement_binlog_servers.sh start|stop DIR
#
# DIR holds the servers' data and the file `env`, the export lines of
# `scripts/sandbox env` that the tests read. Ports: ZARAROD_BINLOG_SITE_PORT
# (23078) and ZARAROD_BINLOG_CENTRAL_PORT (23079).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: testing/statement_binlog_servers.sh start|stop DIR" >&2; exit 2; }
mkdir -p "$2"
export ZARAROD_SANDBOX_DIR ZARAROD_SANDBOX_BINLOG=STATEMENT
ZARAROD_SANDBOX_DIR=$(cd "$2" && pwd)
export ZARAROD_SITE_PORT=${ZARAROD_BINLOG_SITE_PORT:-23078}
export ZARAROD_CENTRAL_PORT=${ZARAROD_BINLOG_CENTRAL_PORT:-23079}
case "$1" in
  start)
    "$repo/scripts/sandbox" start
    "$repo/scripts/sandbox" env >"$ZARAROD_SANDBOX_DIR/env"
    ;;
  stop)
    "$repo/scripts/sandbox" stop
    rm -rf "$ZARAROD_SANDBOX_DIR"
    ;;
  *) echo "usage: testing/statement_binlog_servers.sh start|stop DIR" >&2; exit 2 ;;
esac
