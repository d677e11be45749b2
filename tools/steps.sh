# What tools/windows.sh and tools/web.sh share, sourced by both: a step's banner with the seconds
# so far, and a command whose output goes to a log shown only when it fails.

step() {
  echo "=== $1 (${SECONDS}s)"
}

# run LOG COMMAND...: appends COMMAND's output to LOG; on failure shows its end and stops here.
run() {
  local log=$1
  shift
  if ! "$@" >>"$log" 2>&1; then
    echo "!! failed: $*"
    tail -n 40 "$log"
    exit 1
  fi
}
