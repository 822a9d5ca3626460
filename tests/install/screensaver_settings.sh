#!/usr/bin/env bash
# The XScreenSaver settings file: well formed (xmllint), named as the hack is installed, run
# with --root, and made only of the elements and attributes that the settings files Debian's
# xscreensaver-data installs use, or that its settings program reads (where they are installed). Exits 77 (skipped) without
# xmllint. Usage: screensaver_settings.sh SETTINGS_XML
set -euo pipefail
xml=$1
command -v xmllint >/dev/null || { echo "xmllint is not installed"; exit 77; }
xmllint --noout "$xml"
[ "$(xmllint --xpath 'string(/screensaver/@name)' "$xml")" = sparkler ] || { echo "the screensaver is not named sparkler"; exit 1; }
[ -n "$(xmllint --xpath 'string(/screensaver/@_label)' "$xml")" ] || { echo "the screensaver has no _label"; exit 1; }
[ "$(xmllint --xpath 'string(/screensaver/command/@arg)' "$xml")" = --root ] || { echo "the command is not --root"; exit 1; }
[ -n "$(xmllint --xpath 'normalize-space(/screensaver/_description)' "$xml")" ] || { echo "no _description"; exit 1; }

# Element and attribute names, one "element attribute" pair a line.
pairs() {
  xmllint --xpath '//*' "$1" >/dev/null 2>&1 || return 0
  grep -o '<[a-z_-]*\( [^>]*\)\?' "$1" | while read -r tag rest; do
    element=${tag#<}
    echo "$element"
    grep -o '[a-z_-]*=' <<<"$rest" | tr -d = | sed "s/^/$element /" || true
  done | sort -u
}
reference=/usr/share/xscreensaver/config
settings=/usr/bin/xscreensaver-settings
if [ -d "$reference" ]; then
  known=$(for file in "$reference"/*.xml; do pairs "$file"; done | sort -u)
  # Debian installs only some of the settings files; an element none of them uses counts when
  # the settings program reads elements of that name, with attributes other elements use.
  attributes=$(awk 'NF == 2 { print $2 }' <<<"$known" | sort -u)
  readable=$( [ -x "$settings" ] && strings "$settings" | sort -u || true)
  while read -r element attribute; do
    grep -qx "$element${attribute:+ $attribute}" <<<"$known" && continue
    if grep -qx "$element" <<<"$readable" && { [ -z "$attribute" ] || grep -qx "$attribute" <<<"$attributes"; }; then
      continue
    fi
    echo "neither the settings files in $reference nor $settings use: $element $attribute"
    exit 1
  done < <(pairs "$xml")
  echo "$xml is well formed and uses only what XScreenSaver's own settings use"
else
  echo "$xml is well formed ($reference is not installed to compare with)"
fi
