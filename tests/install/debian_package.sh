#!/usr/bin/env bash
# The Debian package: cpack makes it from the build, its control fields say what the desktop
# and apt need (section games, the font, the libraries found by dpkg-shlibdeps, XScreenSaver
# suggested), the programs sit in /usr/games, the screensaver hack where XScreenSaver looks, and lintian reports no error and no warning. Exits 77 (skipped) when
# lintian or dpkg-shlibdeps is not installed. Usage: debian_package.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in lintian dpkg-shlibdeps dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
cd "$build"
rm -f sparkler_*.deb
cpack -G DEB >/dev/null
debs=(sparkler_*.deb)
[ -f "${debs[0]}" ] || { echo "cpack made no package"; exit 1; }
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Section)" = games ] || { echo "section: $(field Section)"; exit 1; }
depends=$(field Depends)
for needed in "fonts-liberation2 | fonts-liberation | fonts-dejavu-core" libsdl2-2.0-0 libsdl2-ttf-2.0-0 \
              libopenal1 libfontconfig1 libc6; do
  [[ "$depends" == *"$needed"* ]] || { echo "Depends lacks $needed: $depends"; exit 1; }
done
[ "$(field Suggests)" = xscreensaver ] || { echo "Suggests: $(field Suggests)"; exit 1; }
contents=$(dpkg-deb -c "$deb")
for path in ./usr/games/sparkler ./usr/games/sparkler-replay ./usr/share/sparkler/Sparkler.wav \
            ./usr/share/doc/sparkler/copyright ./usr/share/man/man6/sparkler.6.gz \
            ./usr/libexec/xscreensaver/sparkler ./usr/share/xscreensaver/config/sparkler.xml; do
  grep -q " $path\$" <<<"$contents" || { echo "the package lacks $path"; exit 1; }
done

# Errors and warnings fail; information tags are listed but allowed.
lintian --fail-on error,warning --display-level '>=info' "$deb" 2>&1 | grep -v 'running with root privileges'
echo "$deb: lintian finds no error or warning"
