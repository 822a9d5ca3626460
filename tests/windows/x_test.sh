# Sourced by the Windows tests that run a program under Wine on an X server of their own.
# begin_x_test WORK-DIR WHO makes WORK-DIR afresh and starts the server (tools/private_xvfb.sh);
# on exit the program whose pid is in $pid and the server are ended. fail says a line and
# counts it in $failures; wait_for TENTHS COMMAND... waits up to TENTHS tenths of a second for
# COMMAND to succeed; sparks_in PNG REGION counts the bright orange pixels (the sparks' colour
# at start) in a screenshot's region.
begin_x_test() {
  rm -rf "$1"
  mkdir -p "$1"
  # shellcheck source=/dev/null
  source "$(dirname "${BASH_SOURCE[0]}")/../../tools/private_xvfb.sh"
  start_private_xvfb "$1" "$2"
  pid=""
  failures=0
  trap 'end_x_test' EXIT
}
end_x_test() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
fail() { echo "$*"; failures=$((failures + 1)); }
wait_for() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# Whether the run started as $pid has ended.
gone() { ! kill -0 "$pid" 2>/dev/null; }
# Waits up to $1 tenths of a second for the run started as $pid to end: its exit code in
# $code, or "running" if it has not ended by then.
collect() {
  code=running
  wait_for "$1" gone || return 0
  code=0
  wait "$pid" || code=$?
  pid=""
}
sparks_in() {
  convert "$1" -crop "$2" +repage -fx '(r>0.7 && g>0.25 && g<0.85 && b<0.5) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:
}
