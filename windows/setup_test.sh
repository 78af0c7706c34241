#!/usr/bin/env bash
# Tests the setup program under Wine, on the Linux host.
#
#   windows/setup_test.sh STAGE-DIR SETUP-EXE UPDATE-FILES RIGHTS-EXE WORK-DIR
#
# STAGE-DIR  the staged program folder that SETUP-EXE was made from
#            (zararod.exe, zararod-cli.exe, DLLs, platforms/qwindows.dll)
# SETUP-EXE  the setup program under test (windows/make-setup)
# UPDATE-FILES the update files' list SETUP-EXE was made with (make-setup's
#            fourth argument), for the setup programs the update test makes
# RIGHTS-EXE testing/folder_rights.cpp built for Windows: reads a folder's
#            rights as Windows reports them
# WORK-DIR   scratch folder for the Wine prefix, the servers' files and the
#            setup programs the update test makes; must be empty or missing,
#            or an earlier run's (marked .setup_test), which is emptied
#
# The test starts sandbox servers of its own (scripts/sandbox, in
# WORK-DIR/sandbox) for the installed program, and a local HTTP(S) update
# server. Their ports come from the environment, with these defaults:
#   ZARAROD_SETUP_HTTP_PORT=23210 ZARAROD_SETUP_HTTPS_PORT=23211
#   ZARAROD_SETUP_WRONG_HOST_PORT=23212 ZARAROD_SETUP_SILENT_PORT=23213
#   ZARAROD_SETUP_SITE_PORT=23214 ZARAROD_SETUP_CENTRAL_PORT=23215
#
# Cases, in one fresh WINEPREFIX (WORK-DIR/prefix):
#  - a silent install by default: into the user's
#    %LOCALAPPDATA%\Programs\Zararod, whose rights let nobody but the user,
#    the system and administrators change it; the uninstall entry under the
#    user's hive (HKCU), none under the machine's;
#  - a silent install into a fresh folder: every file, the same bytes as the
#    stage; the uninstall entry; the Start-menu entry; the example settings
#    file, and no vedid.ini;
#  - a silent install over it keeps vedid.ini, the script files and
#    verze.log byte for byte and restores a damaged program file;
#  - a silent install waits for a running zararod-cli.exe of its folder to
#    end, and fails (exit code not 0, nothing replaced) when it keeps running;
#  - the installed zararod-cli.exe status against the sandbox servers;
#  - an installed older program's check-update against a local HTTPS server
#    (update/testdata/http_test_server.py, on the HTTP ports above) that publishes
#    a newer signed setup program (scripts/publish-update): it downloads,
#    verifies and starts it, and the newer files are then in place with
#    vedid.ini untouched; a published setup program with a bad signature is
#    not started;
#  - the silent uninstall: program files, entry and Start-menu entry gone,
#    vedid.ini and the script files kept;
#  - the earlier program's update: a folder that our setup did not install,
#    holding a stand-in for the earlier program (this build's zararod-cli.exe
#    named zararod.exe, whose check-update runs this program's update check
#    and starts the downloaded setup program by its name) and a vedid.ini.
#    Its check finds the published build newer, and the setup program it
#    starts updates that folder in place: the new programs (version
#    resource), every other file byte for byte, the uninstaller registered,
#    and the installed zararod-cli.exe status reaches the sandbox servers;
#  - the same under Program Files with the settings only in the user's
#    VirtualStore (where Windows redirected the earlier 32-bit program's
#    writes): the site moves into the per-user folder with the VirtualStore's
#    vedid.ini and script files, and the VirtualStore and the old folder stay
#    as they were. (Wine redirects nothing; the stand-in is given the
#    VirtualStore's settings file by name, which is what it reads on
#    Windows.)
# The update's setup program runs with its window (the program starts it
# without /S), on a private Xvfb display. A silent listener (SILENT_PORT)
# keeps zararod-cli.exe busy for the waiting cases.
#
# Prints a line per case and "N passed, N failed"; exits 1 on any failure,
# 2 on a usage error. Runs `wineserver -p` for its prefix and stops it
# (`wineserver -k`) at the end, with the servers it started.
set -euo pipefail

if [ $# -ne 5 ]; then
  sed -n '4p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2
  exit 2
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stage=$(cd "$1" && pwd)
setup=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
update_files=$3
rights=$4
work=$5
[ -f "$setup" ] || { echo "setup_test: no file $setup" >&2; exit 2; }
[ -f "$rights" ] || { echo "setup_test: no file $rights" >&2; exit 2; }
[ -f "$update_files" ] || { echo "setup_test: no file $update_files" >&2; exit 2; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
# Emptied only when it is empty or one of ours: a mistyped path must not
# lose anything.
if [ -n "$(ls -A "$work")" ] && [ ! -f "$work/.setup_test" ]; then
  echo "setup_test: $work is not empty and not a folder of this test" >&2
  exit 2
fi
find "$work" -mindepth 1 -delete
touch "$work/.setup_test"

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The stamps that publish-update writes and the program reads are local
# times; both sides use this zone.
export TZ=Europe/Prague
unset DISPLAY

HTTP_PORT=${ZARAROD_SETUP_HTTP_PORT:-23210}
HTTPS_PORT=${ZARAROD_SETUP_HTTPS_PORT:-23211}
WRONG_HOST_PORT=${ZARAROD_SETUP_WRONG_HOST_PORT:-23212}
SILENT_PORT=${ZARAROD_SETUP_SILENT_PORT:-23213}
# Sandbox servers of this test's own, so that no other test's reload of the
# shared ones meets the installed program's status run.
export ZARAROD_SANDBOX_DIR=$work/sandbox ZARAROD_SITE_PORT=${ZARAROD_SETUP_SITE_PORT:-23214} \
  ZARAROD_CENTRAL_PORT=${ZARAROD_SETUP_CENTRAL_PORT:-23215}
unset ZARAROD_SITE_HOST ZARAROD_CENTRAL_HOST ZARAROD_DB_USER ZARAROD_DB_PASSWORD ZARAROD_CENTRAL_CA

pids=()
cleanup() {
  set +e
  wineserver -k >/dev/null 2>&1
  "$repo/scripts/sandbox" stop >/dev/null 2>&1
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT

passed=0
failed=0
case_failures=()
# check WHAT COMMAND...: one assertion of the current case.
check() {
  local what=$1
  shift
  if ! "$@"; then case_failures+=("$what"); fi
}
# end_case NAME: reports the assertions since the last end_case.
end_case() {
  if [ ${#case_failures[@]} -eq 0 ]; then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    printf '       %s\n' "${case_failures[@]}"
    failed=$((failed + 1))
  fi
  case_failures=()
}

# The Windows path C:\X\Y as a host path.
host() {
  local path=${1#C:\\}
  echo "$WINEPREFIX/drive_c/${path//\\//}"
}

# A value of the uninstall entry, empty when there is none: of the user's
# entry (HKCU), or of the hive given second.
uninstall_value() {
  wine reg query "${2:-HKCU}"'\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zararod' \
    /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

# Whether the uninstall entry's value $1 is $2.
uninstall_value_is() { [ "$(uninstall_value "$1")" = "$2" ]; }

# Waits up to $1 seconds for the command to succeed.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.5
  done
}

# The installed files, relative to the install folder, as the setup program
# should leave them.
mapfile -t program_files < <("$repo/windows/check-imports" "$stage" --list)

# Every program file of folder $1 (host path) has the bytes of stage $2.
same_as_stage() {
  local file
  for file in "${program_files[@]}"; do
    cmp -s "$2/$file" "$1/$file" || { echo "       differs or missing: $file" >&2; return 1; }
  done
}
no_program_files() {
  local file
  for file in "${program_files[@]}" uninstall.exe vedid.ini.example; do
    [ ! -e "$1/$file" ] || { echo "       left behind: $file" >&2; return 1; }
  done
}

# The user's files that no install may touch: cp1250 text with CR LF, as the
# program and the site leave them.
write_user_files() {
  local dir=$1 name
  cp "$work/vedid.ini" "$dir/vedid.ini"
  for name in aad.txt avl.txt all.txt verze.log; do
    printf 'z\xE1znam %s\r\nP\xF8\xEDbram\r\n' "$name" >"$dir/$name"
    cp "$dir/$name" "$work/kept-$name"
  done
  cp "$dir/vedid.ini" "$work/kept-vedid.ini"
}
user_files_kept() { # folder, then names (default: all of them)
  local dir=$1 name
  shift
  [ $# -gt 0 ] || set -- vedid.ini aad.txt avl.txt all.txt verze.log
  for name in "$@"; do
    cmp -s "$work/kept-$name" "$dir/$name" || { echo "       changed: $name" >&2; return 1; }
  done
}

# The example settings file: cp1250 (Czech text that is not UTF-8), every line
# ending in CR LF, the two server sections and their keys.
example_settings() {
  local text
  ! iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1 || return 1
  [ "$(grep -c $'\r$' "$1")" -eq "$(wc -l <"$1")" ] || return 1
  text=$(iconv -f CP1250 -t UTF-8 "$1" | tr -d '\r') || return 1
  grep -q 'Příklad' <<<"$text" &&
    grep -qx '\[LogON_adr\]' <<<"$text" && grep -qx '\[LogON\]' <<<"$text" &&
    grep -qx 'rada=10' <<<"$text" && grep -qx 'SQLport=3306' <<<"$text" &&
    grep -qx ';SSL=1' <<<"$text"
}

run_setup() { # setup program, then its arguments; returns its exit code
  local exe=$1
  shift
  wine "$exe" "$@" </dev/null >/dev/null 2>&1
}

# check_exit WHAT EXPECTED COMMAND...: runs the command and checks its exit
# code: EXPECTED is a number, or "fail" for any code but 0. The code is in
# $rc afterwards; WHAT names the command in a failure, with the first bytes
# of $work/last.err when the command leaves them there.
check_exit() {
  local what=$1 expected=$2
  shift 2
  : >"$work/last.err"
  rc=0
  "$@" || rc=$?
  local detail
  detail=$(head -c 300 "$work/last.err")
  if [ "$expected" = fail ]; then
    check "$what: exit code $rc is a failure" [ "$rc" -ne 0 ]
  else
    check "$what: exit code $rc${detail:+ ($detail)}" [ "$rc" -eq "$expected" ]
  fi
}

# Runs a program of the prefix in $work with its output kept:
# in_work OUT-FILE PROGRAM ARGS... (standard error to $work/last.err).
in_work() {
  local out=$1
  shift
  (cd "$work" && wine "$@") >"$out" 2>"$work/last.err" </dev/null
}

# The version resource's value NAME (OriginalFilename, ProductVersion...)
# of a Windows program, read from its UTF-16 strings.
version_value() { # file name
  strings -el "$1" | grep -A1 -x "$2" | sed -n 2p
}

# ---------------------------------------------------------------------------
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1

# The installed program reaches the sandbox, the central server by verified
# TLS with the sandbox's CA, given by a path the Windows program can open.
"$repo/scripts/sandbox" start >/dev/null
"$repo/scripts/sandbox" ini wine >"$work/vedid.ini"

# A server that accepts connections and never greets: zararod-cli.exe status
# against it runs until its ConnectTimeout, long enough to hold the program
# file open.
python3 -c '
import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(16)
held = []
while True:
    held.append(s.accept()[0])
' "$SILENT_PORT" &
pids+=($!)
silent_ini() { # seconds
  printf '[LogON]\r\nIP=127.0.0.1\r\nSQLport=%s\r\nConnectTimeout=%s\r\n[LogON_adr]\r\nIP=127.0.0.1\r\nSQLport=%s\r\nConnectTimeout=%s\r\n' \
    "$SILENT_PORT" "$1" "$SILENT_PORT" "$1"
}

# The user's folders as the prefix spells them.
local_app_data=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
app_data=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
per_user_dir="$local_app_data\\Programs\\Zararod"
start_menu=$(host "$app_data\\Microsoft\\Windows\\Start Menu\\Programs")/Zararod.lnk

# Nobody but the user, the system and administrators may change folder $1
# (a Windows path), as Windows reports the folder's rights.
only_user_may_change() {
  wine "$rights" "$1" >"$work/rights.out" 2>&1 || { sed 's/^/       /' "$work/rights.out" >&2; return 1; }
}

# --- per-user install by default -------------------------------------------
check_exit "setup" 0 run_setup "$setup" /S
check "program files in $per_user_dir" same_as_stage "$(host "$per_user_dir")" "$stage"
check "nobody else may change the folder" only_user_may_change "$per_user_dir"
check "entry in the user's hive" [ "$(uninstall_value InstallLocation)" = "$per_user_dir" ]
check "no entry in the machine's hive" [ -z "$(uninstall_value DisplayName HKLM)" ]
check "Start-menu entry in the user's Start menu" [ -f "$start_menu" ]
end_case "silent install by default: the user's own folder, rights and entry"
check_exit "uninstaller" 0 wine "$per_user_dir\\uninstall.exe" /S
entry_gone() { [ -z "$(uninstall_value DisplayName)" ]; }
wait_for 60 entry_gone || true

# --- fresh install ---------------------------------------------------------
dir='C:\Zararod'
hdir=$(host "$dir")
check_exit "setup" 0 run_setup "$setup" /S "/D=$dir"
check "program files as staged" same_as_stage "$hdir" "$stage"
check "uninstaller" [ -f "$hdir/uninstall.exe" ]
check "no vedid.ini made" [ ! -e "$hdir/vedid.ini" ]
check "example settings in cp1250 with CR LF" example_settings "$hdir/vedid.ini.example"
check "entry DisplayName" [ "$(uninstall_value DisplayName)" = Zararod ]
# The setup program's version resource carries the version it installs.
setup_version=$(version_value "$setup" ProductVersion)
check "version resource ProductVersion \"$setup_version\"" [ -n "$setup_version" ]
check "entry DisplayVersion is the setup program's version" \
  [ "$(uninstall_value DisplayVersion)" = "$setup_version" ]
check "entry InstallLocation" [ "$(uninstall_value InstallLocation)" = "$dir" ]
check "entry UninstallString" [ "$(uninstall_value UninstallString)" = "\"$dir\\uninstall.exe\"" ]
check "Start-menu entry" [ -f "$start_menu" ]
end_case "silent install into a fresh folder"

# --- install over ----------------------------------------------------------
write_user_files "$hdir"
printf 'damaged' >"$hdir/zararod-cli.exe"
check_exit "setup" 0 run_setup "$setup" /S "/D=$dir"
check "vedid.ini, script files and verze.log kept byte for byte" user_files_kept "$hdir"
check "program files replaced" same_as_stage "$hdir" "$stage"
end_case "silent install over an installation keeps the user's files"

# --- waiting for the running program ----------------------------------------
# Starts the installed zararod-cli.exe busy for about SECONDS (its status
# against the silent listener; its pid in $busy) and damages a program file
# on the host: one the busy program has not loaded (writing one that it maps
# could crash it).
start_busy() { # seconds
  silent_ini "$1" >"$work/busy$1.ini"
  wine "$dir\\zararod-cli.exe" status 'Z:'"${work//\//\\}"'\busy'"$1"'.ini' >/dev/null 2>&1 &
  busy=$!
  sleep 2
  printf 'damaged' >"$hdir/platforms/qwindows.dll"
}

start_busy 8
start=$SECONDS
check_exit "setup" 0 run_setup "$setup" /S "/D=$dir"
waited=$((SECONDS - start))
check "waited ${waited}s for the program to end" [ "$waited" -ge 3 ]
check "program files replaced after it ended" same_as_stage "$hdir" "$stage"
wait "$busy" || true
end_case "silent install waits for zararod-cli.exe of its folder to end"

start_busy 200
check_exit "setup" fail run_setup "$setup" /S "/D=$dir"
check "nothing replaced while it runs" [ "$(cat "$hdir/platforms/qwindows.dll")" = damaged ]
wine taskkill /f /im zararod-cli.exe >/dev/null 2>&1 || true
wait "$busy" || true
run_setup "$setup" /S "/D=$dir" || true
end_case "silent install fails rather than replace a program that keeps running"

# --- status against the sandbox ---------------------------------------------
cp "$work/vedid.ini" "$hdir/vedid.ini"
check_exit "status" 0 in_work "$work/status.out" "$dir\\zararod-cli.exe" status
check "printed the queues" [ -s "$work/status.out" ]
end_case "installed zararod-cli.exe status against the sandbox servers"

# --- uninstall -------------------------------------------------------------
write_user_files "$hdir"
# The uninstaller copies itself to a temporary folder and returns at once;
# the copy does the work.
check_exit "uninstaller" 0 wine "$dir\\uninstall.exe" /S
check "entry removed within 60 s" wait_for 60 entry_gone
check "program files removed" wait_for 30 no_program_files "$hdir"
check "vedid.ini and script files kept" user_files_kept "$hdir" vedid.ini aad.txt avl.txt all.txt
check "update check's log removed" [ ! -e "$hdir/verze.log" ]
check "Start-menu entry removed" [ ! -e "$start_menu" ]
end_case "silent uninstall keeps vedid.ini and the script files"

# --- update from an older installation --------------------------------------
# The older build: the same program files, made two days older (the setup
# program keeps file times, and the update check compares zararod.exe's).
# The newer one carries a version of its own, which its uninstall entry
# shows once it has run.
cp -a "$stage" "$work/old-stage"
find "$work/old-stage" -type f -exec touch -d '2 days ago' {} +
"$repo/windows/make-setup" "$work/old-stage" "$work/old-setup.exe" 1.0 "$update_files"
cp -a "$stage" "$work/new-stage"
find "$work/new-stage" -type f -exec touch -d '1 minute ago' {} +
"$repo/windows/make-setup" "$work/new-stage" "$work/new-setup.exe" 99.1 "$update_files"

mkdir -p "$work/docroot" "$work/server"
"$repo/scripts/sign-update" keygen "$work/update-key.pem" >"$work/update-key.pub"
"$repo/scripts/publish-update" "$work/update-key.pem" "$work/new-setup.exe" \
  "$work/new-stage/zararod.exe" "$work/docroot" >/dev/null
coproc server {
  exec python3 "$repo/update/testdata/http_test_server.py" --docroot "$work/docroot" \
    --workdir "$work/server" --http-port "$HTTP_PORT" --https-port "$HTTPS_PORT" \
    --wrong-host-port "$WRONG_HOST_PORT" --lifetime 900
}
pids+=("$server_PID")
read -r ready _ _ _ ca <&"${server[0]}"
[ "$ready" = ready ] || { echo "setup_test: the HTTPS server did not start" >&2; exit 1; }

# The site trusts the update server's CA as a Windows PC trusts a company's
# own CA: in the machine's root certificate store (libcurl reads it with
# CURLSSLOPT_NATIVE_CA).
python3 - "$ca" "$work/ca.reg" <<'PYTHON'
import base64, hashlib, sys
pem = open(sys.argv[1]).read()
der = base64.b64decode("".join(l for l in pem.splitlines() if "-----" not in l))
thumb = hashlib.sha1(der).hexdigest().upper()
# A serialised certificate: property 32 (the encoded certificate).
blob = (32).to_bytes(4, "little") + (1).to_bytes(4, "little") + len(der).to_bytes(4, "little") + der
with open(sys.argv[2], "w", newline="\r\n") as f:
    f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\%s]\n" % thumb)
    f.write('"Blob"=hex:' + ",".join("%02x" % b for b in blob) + "\n")
PYTHON
wine regedit /S 'Z:'"${work//\//\\}"'\ca.reg' >/dev/null 2>&1

# The site's settings with the local update server: cp1250 CR LF as always.
{
  tr -d '\r' <"$work/vedid.ini"
  printf '[Update]\nURL=https://127.0.0.1:%s/files/\nKey=%s\n' "$HTTPS_PORT" "$(cat "$work/update-key.pub")"
} | sed 's/$/\r/' >"$work/update-vedid.ini"

udir=$per_user_dir
uhdir=$(host "$udir")
# The update check starts the setup program without arguments, so it shows
# its window: a private Xvfb display from here on.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/display" || { echo "setup_test: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -1 "$work/display")

# The setup program's own side of an update: started as the update check
# starts it, from the installation's folder, by its path, with no argument,
# it updates that folder without a question and ends.
new_in() { # host folder: the newer build is there and registered
  [ "$(uninstall_value DisplayVersion)" = 99.1 ] && same_as_stage "$1" "$work/new-stage" 2>/dev/null
}
new_installed() { new_in "$uhdir"; }
check_exit "older setup" 0 run_setup "$work/old-setup.exe" /S
check "older program installed into the per-user folder by default" same_as_stage "$uhdir" "$work/old-stage"
cp "$work/new-setup.exe" "$uhdir/setupzararod.exe"
check_exit "setup program" 0 timeout 180 wine "$udir\\setupzararod.exe"
check "newer files in place" wait_for 30 new_installed
check "same folder in the entry" [ "$(uninstall_value InstallLocation)" = "$udir" ]
end_case "setup program started from an installation updates it without a question"
# A program started after the update is not looked at here: Wine runs every
# program with an administrator's elevated token, from which the setup
# program never starts one.
wine taskkill /f /im zararod.exe >/dev/null 2>&1 || true
rm -f "$uhdir/setupzararod.exe"

check_exit "older setup" 0 run_setup "$work/old-setup.exe" /S
check "older program installed again" same_as_stage "$uhdir" "$work/old-stage"
cp "$work/update-vedid.ini" "$uhdir/vedid.ini"
check_exit "check-update" 0 in_work "$work/update.out" "$udir\\zararod-cli.exe" check-update
check "reported the update" grep -q "aktualizov" "$work/update.out"
check "verified setup program kept beside the program" cmp -s "$work/docroot/setupzararod.exe" "$uhdir/setupzararod.exe"
check "newer files in place within 120 s" wait_for 120 new_installed
check "vedid.ini kept byte for byte" cmp -s "$work/update-vedid.ini" "$uhdir/vedid.ini"
sleep 2
wine taskkill /f /im zararod.exe >/dev/null 2>&1 || true
in_work "$work/update2.out" "$udir\\zararod-cli.exe" check-update || true
check "a second check finds no newer build" grep -q "Není nová verze" "$work/update2.out"
end_case "installed older program updates itself from a signed newer setup program"

# A setup program whose signature does not verify is never started.
run_setup "$work/old-setup.exe" /S || true
cp "$work/docroot/setupzararod.exe" "$work/good-setup.exe"
printf 'x' >>"$work/docroot/setupzararod.exe"
check_exit "check-update" fail in_work "$work/update3.out" "$udir\\zararod-cli.exe" check-update
sleep 5
check "said Chyba připojení" grep -q "Chyba připojení" "$work/update3.out" "$work/last.err"
check "older program left in place" same_as_stage "$uhdir" "$work/old-stage"
check "entry still the older version" [ "$(uninstall_value DisplayVersion)" = 1.0 ]
check "no unverified setup program left" [ ! -e "$uhdir/setupzararod.exe" ]
end_case "a setup program with a bad signature is not started"
cp "$work/good-setup.exe" "$work/docroot/setupzararod.exe"

check_exit "uninstaller" 0 wine "$udir\\uninstall.exe" /S
check "entry removed within 60 s" wait_for 60 entry_gone
check "program files removed" wait_for 30 no_program_files "$uhdir"
check "vedid.ini kept" cmp -s "$work/update-vedid.ini" "$uhdir/vedid.ini"
check "update files removed" bash -c '! ls "$1" | grep -q "^setupzararod\|^verze.log"' _ "$uhdir"
end_case "silent uninstall after an update"
rm -rf "$uhdir"

# --- the earlier program's update -------------------------------------------
# A stand-in for the earlier program's folder, which our setup program never
# installed: zararod.exe is the older build's zararod-cli.exe, with the DLLs
# it loads; its check-update runs the update check of the "kontrola" button
# and starts the downloaded setup program by its name. Beside it the site's
# settings, script files, log and a file of the site's own.
make_old_folder() { # host folder
  local file
  mkdir -p "$1"
  for file in "${program_files[@]}"; do
    case "$file" in
      zararod.exe | zararod-cli.exe) ;;
      *) mkdir -p "$1/$(dirname "$file")"; cp -p "$work/old-stage/$file" "$1/$file" ;;
    esac
  done
  cp -p "$work/old-stage/zararod-cli.exe" "$1/zararod.exe"
  cp -p "$1/zararod.exe" "$work/stand-in.exe"
}
# The earlier program's check: answers "A" for the published build, fetches
# the setup program into its folder, starts it and ends.
old_program_checks() { # Windows folder, then arguments of check-update
  local folder=$1
  shift
  check_exit "the earlier program's check" 0 in_work "$work/old-check.out" "$folder\\zararod.exe" check-update "$@"
  check "it announced the update" grep -q "aktualizov" "$work/old-check.out"
  check "its log shows the published build newer than itself" \
    awk -F': ' 'NR == 1 { local = $2 } NR == 2 { exit !($2 > local) }' "$(host "$folder")/verze.log"
}
# The folder holds the new programs: the stage's bytes, and zararod.exe is the
# window program again by its version resource (the stand-in's names
# zararod-cli.exe).
new_programs_in() { # host folder
  same_as_stage "$1" "$work/new-stage" &&
    [ "$(version_value "$1/zararod.exe" OriginalFilename)" = zararod.exe ]
}
status_reaches_sandbox() { # Windows folder
  in_work "$work/migrated-status.out" "$1\\zararod-cli.exe" status &&
    [ -s "$work/migrated-status.out" ]
}

odir='C:\Zararod-stara'
ohdir=$(host "$odir")
make_old_folder "$ohdir"
write_user_files "$ohdir"
cp "$work/update-vedid.ini" "$ohdir/vedid.ini"
cp "$ohdir/vedid.ini" "$work/kept-vedid.ini"
printf 'pozn\xE1mky provozovny\r\n' >"$ohdir/poznamky.txt"
cp "$ohdir/poznamky.txt" "$work/kept-poznamky.txt"
old_program_checks "$odir"
check "new programs in the folder within 120 s" wait_for 120 new_programs_in "$ohdir" 2>/dev/null
# The setup program registers its uninstaller last: once it has, it is done.
check "uninstaller registered for the folder within 60 s" \
  wait_for 60 uninstall_value_is UninstallString "\"$odir\\uninstall.exe\""
check "vedid.ini, script files and the site's own file unchanged" \
  user_files_kept "$ohdir" vedid.ini aad.txt avl.txt all.txt poznamky.txt
check "uninstaller there" [ -f "$ohdir/uninstall.exe" ]
check "Start-menu entry" [ -f "$start_menu" ]
check "installed zararod-cli.exe status reaches the sandbox" status_reaches_sandbox "$odir"
end_case "the earlier program's update installs this one in its folder"
wine taskkill /f /im zararod.exe >/dev/null 2>&1 || true
check_exit "uninstaller" 0 wine "$odir\\uninstall.exe" /S
wait_for 60 entry_gone || true

# The same under Program Files, with the settings and script files only in
# the user's VirtualStore copy of the folder.
pdir='C:\Program Files (x86)\Zararod'
phdir=$(host "$pdir")
vdir="$local_app_data\\VirtualStore\\Program Files (x86)\\Zararod"
vhdir=$(host "$vdir")
make_old_folder "$phdir"
mkdir -p "$vhdir"
write_user_files "$vhdir"
cp "$work/update-vedid.ini" "$vhdir/vedid.ini"
cp "$vhdir/vedid.ini" "$work/kept-vedid.ini"
rm -f "$vhdir/verze.log"
(cd "$vhdir" && find . -type f -exec sha256sum {} + | sort) >"$work/virtual-store.sums"
old_program_checks "$pdir" "$vdir\\vedid.ini"
check "new programs in $per_user_dir within 120 s" wait_for 120 new_programs_in "$uhdir" 2>/dev/null
check "entry for the per-user folder within 60 s" \
  wait_for 60 uninstall_value_is InstallLocation "$per_user_dir"
check "vedid.ini and script files carried from the VirtualStore" \
  user_files_kept "$uhdir" vedid.ini aad.txt avl.txt all.txt
check "VirtualStore copy unchanged" \
  bash -c 'cd "$1" && find . -type f -exec sha256sum {} + | sort | cmp -s - "$2"' _ "$vhdir" "$work/virtual-store.sums"
check "old folder's program left as it was" cmp -s "$work/stand-in.exe" "$phdir/zararod.exe"
check "no vedid.ini written into the old folder" [ ! -e "$phdir/vedid.ini" ]
check "nobody else may change the folder" only_user_may_change "$per_user_dir"
check "installed zararod-cli.exe status reaches the sandbox" status_reaches_sandbox "$per_user_dir"
end_case "the earlier program's update under Program Files moves the site and its VirtualStore settings"
unset DISPLAY

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
