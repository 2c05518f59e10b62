#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, running and testing Quandrel need, and the
# de_DE.UTF-8 locale that the tests use to prove numbers never take a decimal comma. GMP keeps
# the edge arithmetic exact where its sums outgrow 128 bits. libtiff reads the pages of a stack,
# the FFmpeg libraries the frames of a video and libexif the times JPEG files carry. GNU
# parallel is there for the test of scripts/cluster/parallel_run.sh. Qt reads PNG itself (its
# GUI library links libpng); TIFF needs the plugin of qt6-image-formats-plugins. qt6-l10n-tools
# builds the English translation; scdoc the manual pages; the rest checks the Debian package and
# its desktop files (dpkg-shlibdeps, man, desktop-file-validate, appstreamcli, the MIME database,
# and lintian, Debian's own checker of packages).
# pybind11, Python's headers and numpy build the Python module; pandas and pytest test it.
#   --fuzz  also clang and its sanitizer runtime, for the fuzz targets
#   --e2e   also a virtual X server and xdotool, for the end-to-end test of the window
# Does nothing when everything is already there.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev qt6-translations-l10n
          qt6-l10n-tools libjpeg62-turbo-dev libturbojpeg0-dev libgif-dev qt6-image-formats-plugins
          libtiff-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libexif-dev
          libgtest-dev nlohmann-json3-dev libgmp-dev libbenchmark-dev fonts-ipafont-gothic locales parallel
          dpkg-dev scdoc man-db desktop-file-utils appstream shared-mime-info lintian
          pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest)
# Snakemake runs the workflow of scripts/workflows/ in its test.
packages+=(snakemake)
for option in "$@"; do
  case "$option" in
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --e2e) packages+=(xvfb xdotool) ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the de_DE.UTF-8 locale for the locale tests"
  "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
