#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build tree into a scratch folder of the build tree, and
# checks it as dpkg sees it: its control fields, exactly the files it installs and where, and
# the packaged batch tool measuring the example session to the expected data file.
#   tests/package/deb_package_test.sh BUILD_DIR SOURCE_DIR VERSION [PYTHON]
# With PYTHON ON the Python module comes as a second package, python3-quandrel, checked too.
set -uo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
python=${4:-OFF}
mkdir -p "$build/tests/package"
work=$(mktemp -d "$build/tests/package/deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

# A folder of its own for CPack's staging as for the package, so that runs in parallel (or a
# packager's own run) do not share one.
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
arch=$(dpkg --print-architecture)
debs=("$work"/out/*.deb)
want=("$work/out/quandrel_${version}_$arch.deb")
[ "$python" = ON ] && want=("$work/out/python3-quandrel_${version}_$arch.deb" "${want[@]}")
[ "${debs[*]}" = "${want[*]}" ] || { echo "FAIL: the packages are ${debs[*]}"; exit 1; }
deb=${want[-1]}

# --- control fields: field|what it must hold (a part of it) -----------------------------------
while IFS='|' read -r field part; do
  value=$(dpkg-deb -f "$deb" "$field")
  case ", $value," in
    *", $part"[\ ,\(]*) ;;
    *) fail "$field is \"$value\", without $part" ;;
  esac
done <<CASES
Package|quandrel
Version|$version
Section|science
Depends|libqt6core6
Depends|libqt6gui6
Depends|libqt6widgets6
Depends|libqt6svg6
Depends|libc6
Depends|libjpeg62-turbo
Depends|libgif7
Depends|qt6-qpa-plugins
Depends|qt6-image-formats-plugins
Depends|qt6-translations-l10n
Recommends|fonts-ipafont-gothic
CASES
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no Description"

# --- exactly these files, so that no test, benchmark or library of the build slips in ----------
root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x"
expected=$(sort <<'FILES'
usr/bin/quandrel
usr/bin/quandrel-batch
usr/share/applications/org.zentor.Quandrel.desktop
usr/share/doc/quandrel/changelog.gz
usr/share/doc/quandrel/copyright
usr/share/icons/hicolor/16x16/apps/quandrel.png
usr/share/icons/hicolor/256x256/apps/quandrel.png
usr/share/icons/hicolor/32x32/apps/quandrel.png
usr/share/icons/hicolor/48x48/apps/quandrel.png
usr/share/man/man1/quandrel-batch.1.gz
usr/share/man/man1/quandrel.1.gz
usr/share/metainfo/org.zentor.Quandrel.metainfo.xml
usr/share/mime/packages/org.zentor.Quandrel.xml
FILES
)
got=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
[ "$got" = "$expected" ] || fail "the package's files differ:
$(diff <(echo "$expected") <(echo "$got"))"

for program in quandrel quandrel-batch; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
  readelf -S "$root/usr/bin/$program" 2>/dev/null | grep -q '\.debug_info' &&
    fail "usr/bin/$program is not stripped"
done

# The changelog's newest entry is this version's, or a version bump has no entry yet.
newest=$(gzip -dc "$root/usr/share/doc/quandrel/changelog.gz" 2>/dev/null | head -n 1)
[ "$newest" = "${newest#quandrel ($version) }" ] &&
  fail "the changelog's newest entry is \"$newest\", not version $version (res/debian/changelog)"

# --- the packaged tool at work ----------------------------------------------------------------
batch=$root/usr/bin/quandrel-batch
[ "$("$batch" --version)" = "quandrel-batch $version" ] || fail "--version: $("$batch" --version)"
# The window answers --version before it needs a display.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/quandrel" --version)" = \
  "quandrel $version" ] || fail "the packaged window's --version"
if "$batch" "$source/examples/session.json" -o "$work/example.dat" 2>"$work/err"; then
  cmp -s "$work/example.dat" "$source/examples/expected.dat" ||
    fail "the packaged tool's data file differs from examples/expected.dat"
else
  fail "the packaged tool failed on examples/session.json: $(cat "$work/err")"
fi

# --- the Python module's package ---------------------------------------------------------------
if [ "$python" = ON ]; then
  pydeb=${want[0]}
  proot=$work/python-root
  dpkg -x "$pydeb" "$proot" || fail "dpkg -x python3-quandrel"
  for part in "Package|python3-quandrel" "Section|python" "Depends|python3-numpy" \
              "Depends|python3 (>= " "Depends|libqt6core6"; do
    value=$(dpkg-deb -f "$pydeb" "${part%%|*}")
    case "$value" in *"${part#*|}"*) ;; *) fail "python3-quandrel's ${part%%|*} is \"$value\"" ;; esac
  done
  site=$proot/usr/lib/python3/dist-packages
  got=$(cd "$proot" && find . ! -type d | sed 's|^\./||' | sort)
  module=$(cd "$proot" && ls usr/lib/python3/dist-packages/quandrel/_quandrel.cpython-*.so)
  [ "$got" = "$(printf '%s\n' usr/lib/python3/dist-packages/quandrel/__init__.py "$module" \
                  usr/share/doc/python3-quandrel/changelog.gz usr/share/doc/python3-quandrel/copyright |
                sort)" ] ||
    fail "python3-quandrel's files: $got"
  readelf -S "$proot/$module" | grep -q '\.debug_info' && fail "the module is not stripped"
  readelf -d "$proot/$module" | grep -Eq 'RPATH|RUNPATH' && fail "the module carries a run path"
  [ "$(stat -c %a "$proot/$module")" = 644 ] || fail "the module's mode is $(stat -c %a "$proot/$module")"
  PYTHONPATH=$site /usr/bin/python3 -c "
import quandrel, sys
t = quandrel.load_session(sys.argv[1]).measure()
assert len(t) == 9, t" "$source/examples/session.json" || fail "the packaged module does not measure"
fi

[ "$failed" -eq 0 ] || exit 1
echo "Debian package: all checks passed"
