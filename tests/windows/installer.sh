#!/usr/bin/env bash
# The Windows packages: the zip holds the folder Sparkler-VERSION with the files the build
# made, the same bytes, with README and licence; the installer, run silently under Wine into
# a folder of the test's choosing, puts them there (and the screensaver in System32), its
# replay runs from there, the Start-menu folder and the Add/Remove programs entry exist; the
# uninstaller, run silently as that entry says, takes all of it away again.
# Usage: installer.sh BUILD-DIR VERSION WINE-PREFIX WINE-SCRIPT FILE...   (FILE: the shipped files)
set -euo pipefail
build=$1
version=$2
prefix=$3
wine=$4
shift 4
shipped=("$@")
zip_file="$build/sparkler-$version-windows-x64.zip"
installer="$build/sparkler-$version-setup.exe"
failures=0
fail() { echo "$*"; failures=$((failures + 1)); }
run() { bash "$wine" "$prefix" "$@"; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sparkler'
# A value of the uninstall entry, as reg.exe prints it; nothing when it is not there.
entry() { run reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"; }

# The zip.
expected=$(printf '%s\n' "${shipped[@]}" README.md LICENSE.txt | sed "s|^|Sparkler-$version/|" | sort)
listed=$(unzip -Z1 "$zip_file" | grep -v '/$' | sort)
[ "$listed" = "$expected" ] || fail "the zip holds $(echo $listed), not $(echo $expected)"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip_file" -d "$unpacked"
for file in "${shipped[@]}"; do
  cmp -s "$build/$file" "$unpacked/Sparkler-$version/$file" || fail "the zip's $file is not the build's"
done
grep -q "Permission is hereby granted" "$unpacked/Sparkler-$version/LICENSE.txt" || fail "the zip's licence is not the MIT text"

# A silent install into a folder with a space in its name, given as /D= (last, unquoted).
drive_c="$prefix/drive_c"
folder="$drive_c/Sparkler Test/Sparkler"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Sparkler"
rm -rf "$drive_c/Sparkler Test"
status=0
# The installer reads /D= from the raw command line to its end, as typed; Wine would quote a
# single argument with a space, so the folder is passed in two.
run "$installer" /S '/D=C:\Sparkler' 'Test\Sparkler' || status=$?
[ "$status" -eq 0 ] || fail "the silent install ended with exit code $status"
for file in "${shipped[@]}" README.md LICENSE.txt Uninstall.exe; do
  [ -f "$folder/$file" ] || fail "not installed: $file"
done
system_saver="$drive_c/windows/system32/sparkler.scr"
cmp -s "$build/sparkler.scr" "$system_saver" || fail "the screensaver is not in System32"
for file in "${shipped[@]}"; do
  [ ! -f "$folder/$file" ] || cmp -s "$build/$file" "$folder/$file" || fail "the installed $file is not the build's"
done
said=$(run 'C:\Sparkler Test\Sparkler\sparkler-replay.exe' --version | tr -d '\r' || true)
[ "$said" = "sparkler-replay $version" ] || fail "the installed replay's --version said \"$said\""
for link in Sparkler.lnk "Uninstall Sparkler.lnk"; do
  [ -f "$start_menu/$link" ] || fail "no Start-menu link $link"
done
# A shell link names its target's path; Sparkler's is the installed program.
[ ! -f "$start_menu/Sparkler.lnk" ] || grep -aq 'Sparkler Test\\Sparkler\\sparkler.exe' "$start_menu/Sparkler.lnk" \
  || fail "the Start-menu link does not lead to the installed sparkler.exe"
[ "$(entry DisplayName)" = "Sparkler" ] || fail "Add/Remove programs has no Sparkler: \"$(entry DisplayName)\""
[ "$(entry DisplayVersion)" = "$version" ] || fail "the entry's version is \"$(entry DisplayVersion)\""
quiet=$(entry QuietUninstallString)
[ "$quiet" = '"C:\Sparkler Test\Sparkler\Uninstall.exe" /S' ] || fail "the entry's quiet uninstall is \"$quiet\""
echo "installed: $(cd "$folder" && ls | tr '\n' ' ')"

# The silent uninstall as the entry gives it. The uninstaller runs on from a copy of itself
# after the one started returns, so its work is waited for.
status=0
run 'C:\Sparkler Test\Sparkler\Uninstall.exe' /S || status=$?
[ "$status" -eq 0 ] || fail "the silent uninstall ended with exit code $status"
for _ in $(seq 300); do
  [ -e "$folder" ] || [ -e "$start_menu" ] || break
  sleep 0.1
done
[ ! -e "$folder" ] || fail "left after the uninstall: $(cd "$folder" && ls | tr '\n' ' ')"
[ ! -e "$start_menu" ] || fail "the Start-menu folder is left after the uninstall"
[ ! -e "$system_saver" ] || fail "the screensaver is left in System32 after the uninstall"
[ -z "$(entry DisplayName)" ] || fail "Add/Remove programs still lists Sparkler"
[ -d "$drive_c/Sparkler Test" ] && rmdir "$drive_c/Sparkler Test"
[ "$failures" -eq 0 ] && echo "installed and uninstalled silently"
exit $((failures > 0))
