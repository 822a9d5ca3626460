#!/usr/bin/env bash
# The real XScreenSaver daemon runs the installed hack: a prefix install of the build, a private
# Xvfb, a ~/.xscreensaver whose list holds only `sparkler --root` from that prefix, and the
# daemon activated with xscreensaver-command. The program must run in the daemon's window (the
# daemon says which), draw the night scene there (a screenshot with sparks), and be gone within
# two seconds of the deactivation. The daemon launches no hacks as root, so as root the daemon
# and everything it starts run as nobody. Exits 77 (skipped) when a tool is missing.
# Usage: screensaver_daemon.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
build=$1
output=$2
for tool in Xvfb xscreensaver xscreensaver-command import convert setpriv; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$output"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
chmod 755 "$scratch"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
mkdir "$scratch/home"
chmod 777 "$scratch/home"

exec 3> >(cat > "$scratch/display")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$scratch/xvfb.log" &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
display=":$(head -1 "$scratch/display")"
[ "$display" != ":" ] || { echo "Xvfb did not start: $(cat "$scratch/xvfb.log")"; exit 1; }

cat > "$scratch/home/.xscreensaver" <<EOT
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
splash:		False
fade:		False
unfade:		False
programs:	$scratch/prefix/libexec/xscreensaver/sparkler --root \n\\

EOT
chmod 644 "$scratch/home/.xscreensaver"
# Whether a process runs (a zombie left for a parent to reap has ended).
alive() { [ -r "/proc/$1/stat" ] && [ "$(awk '{print $3}' "/proc/$1/stat")" != Z ]; }
run() { "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$scratch/home" DISPLAY="$display" ALSOFT_DRIVERS=null "$@"; }
run xscreensaver -no-splash -verbose >"$scratch/daemon.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do run xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
run xscreensaver-command -activate >/dev/null

# The daemon names the hack's process and the window it gave it.
line=""
for _ in $(seq 100); do
  line=$(grep -m1 'forked ".*sparkler --root" in pid' "$scratch/daemon.log" || true)
  [ -n "$line" ] && break
  sleep 0.1
done
[ -n "$line" ] || { echo "the daemon did not start the hack:"; cat "$scratch/daemon.log"; exit 1; }
hack=$(sed -n 's/.* in pid \([0-9]*\) on window \(0x[0-9a-f]*\).*/\1/p' <<<"$line")
window=$(sed -n 's/.* in pid \([0-9]*\) on window \(0x[0-9a-f]*\).*/\2/p' <<<"$line")
echo "the daemon started the hack in pid $hack on window $window"
# The launcher execs the program, so the pid becomes the program's own (on a loaded machine the
# daemon may name it while the launcher still runs).
exe=""
for _ in $(seq 100); do
  exe=$(readlink "/proc/$hack/exe" || true)
  [ "$exe" = "$scratch/prefix/bin/sparkler" ] && break
  sleep 0.1
done
[ "$exe" = "$scratch/prefix/bin/sparkler" ] || { echo "pid $hack is ${exe:-gone}, not the installed program"; exit 1; }

# Sparks on the screen: pixels with bright red (orange, violet and white sparks; the night sky and
# lake are blue, the daemon's own window black).
shot="$output/ScreensaverDaemon-scene.png"
sparks=0
for _ in $(seq 60); do
  import -display "$display" -window root "$shot"
  sparks=$(convert "$shot" -channel R -separate +channel -threshold 60% -format '%[fx:int(mean*w*h)]' info:)
  [ "$sparks" -gt 1000 ] && break
  sleep 0.25
done
[ "$sparks" -gt 1000 ] || { echo "the daemon's window shows no sparks ($sparks bright red pixels; $shot)"; cat "$scratch/daemon.log"; exit 1; }
echo "the screen shows $sparks bright red pixels ($shot)"
sleep 3
alive "$hack" || { echo "the hack ended by itself:"; cat "$scratch/daemon.log"; exit 1; }

run xscreensaver-command -deactivate >/dev/null
for _ in $(seq 20); do alive "$hack" || break; sleep 0.1; done
! alive "$hack" || { echo "the hack still runs 2 s after the daemon deactivated"; exit 1; }
# The daemon destroys its window as it kills the hack: the one line for that is all it may say.
said=$(grep "sparkler:" "$scratch/daemon.log" | grep -v "^sparkler: the window $window was destroyed; stopping\$" || true)
[ -z "$said" ] || { echo "the hack complained:"; echo "$said"; exit 1; }
echo "the hack ended with the deactivation"
