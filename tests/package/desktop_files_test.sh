#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry, the AppStream metainfo and the MIME type as the desktop's own tools read
# them: each validator passes without a word, the MIME file builds a database that maps the
# session's glob to its type, and the three agree with each other and with the build's version.
#   tests/package/desktop_files_test.sh DESKTOP_FILE METAINFO_FILE MIME_FILE VERSION WORK_DIR
set -uo pipefail
desktop=$1
metainfo=$2
mime=$3
version=$4
work=$(mktemp -d "$5/desktop.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
[ -z "$out" ] || fail "desktop-file-validate: $out"

# The metainfo's name is what AppStream finds it by: its id, as the file's name says.
cp "$metainfo" "$work/org.zentor.Quandrel.metainfo.xml"
out=$(appstreamcli validate --no-net --explain "$work/org.zentor.Quandrel.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $out"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"

# A database in a folder of its own, named as the tool expects one on the search path so that
# it has nothing to warn about.
mkdir -p "$work/share/mime/packages"
cp "$mime" "$work/share/mime/packages/"
out=$(XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share" \
  update-mime-database "$work/share/mime" 2>&1) || fail "update-mime-database failed"
[ -z "$out" ] || fail "update-mime-database: $out"
grep -qx '[0-9]*:application/x-quandrel-session:\*\.quandrel' "$work/share/mime/globs2" 2>/dev/null ||
  fail "globs2 does not map *.quandrel to the session type"
grep -qx 'application/x-quandrel-session application/json' "$work/share/mime/subclasses" 2>/dev/null ||
  fail "the session type is not a kind of application/json"

# The entry opens every type the window reads, the session's among them, and the metainfo
# names the same types.
types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
for type in image/bmp image/jpeg image/gif image/png image/tiff application/x-quandrel-session; do
  grep -qx "$type" <<<"$types" || fail "the desktop entry's MimeType lacks $type"
  grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo lacks $type"
done
grep -qx 'Exec=quandrel %F' "$desktop" || fail "the desktop entry does not pass its files as %F"
grep -q '<launchable type="desktop-id">'"$(basename "$desktop")"'</launchable>' "$metainfo" ||
  fail "the metainfo does not launch $(basename "$desktop")"

[ "$failed" -eq 0 ] || exit 1
echo "desktop files: all checks passed"
