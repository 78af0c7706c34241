# The walk over Windows import tables that windows/stage-runtime and
# windows/check-imports share: sourced by both, defines functions only.
#
# walk_imports RESOLVE FILE...
#   Follows the import tables (x86_64-w64-mingw32-objdump -p) from the FILEs
#   breadth first, as the Windows loader does. For every DLL name met, once
#   per name without regard to letter case (as Windows compares them), it
#   calls RESOLVE NAME IMPORTER (the importing file's path), which sets the
#   variable `resolved` to the path of the DLL to follow in turn, or leaves
#   it empty (a DLL of Windows, or one that is missing: RESOLVE decides what
#   that means). A FILE or DLL whose import table cannot be read is added to
#   the array `unreadable`.

walk_imports() {
  local resolve=$1 file dll lower table
  shift
  local -A met=()
  local queue=("$@")
  unreadable=()
  while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    if ! table=$(x86_64-w64-mingw32-objdump -p "$file" 2>/dev/null); then
      unreadable+=("$file")
      continue
    fi
    while IFS= read -r dll; do
      [ -n "$dll" ] || continue
      lower=${dll,,}
      [ -z "${met[$lower]:-}" ] || continue
      met[$lower]=1
      resolved=
      "$resolve" "$dll" "$file"
      if [ -n "$resolved" ]; then queue+=("$resolved"); fi
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$table" | tr -d '\r')
  done
}
