#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of the tree the SPDX line of the project's licence, in the comment
# syntax of its kind, where it has none yet. Running it again changes nothing, so it can follow
# every merge that brings new files.
#   scripts/spdx.sh [TREE]           add the line where it is missing (TREE: the project's root)
#   scripts/spdx.sh --check [TREE]   name the files without it; exit 1 if there is one
# Data (pictures, sessions, data and part files, fuzz seeds), translations and whatever the
# build makes are no source and are left alone: JSON has no comments, and a translation file
# is written by lupdate.
set -euo pipefail

licence=GPL-3.0-or-later
check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
root=${1:-$(dirname "$0")/..}
cd "$root"

# The tree's files: what git tracks or would track, else every file outside the build trees.
files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard
  else
    find . \( -name .git -o -name 'build*' \) -prune -o -type f -print0 | sed -z 's|^\./||'
  fi
}

# How a file's kind writes a comment: "OPEN|CLOSE|AFTER", where AFTER is a pattern for a first
# line that must stay first (a shebang, an XML declaration, a manual page's title line). No
# output: no source file.
style() {
  local path=$1 name=${1##*/}
  name=${name%.in} # a template for configure_file has its product's syntax
  case "$name" in
    *.cpp | *.cc | *.c | *.h | *.hpp | *.nf | *.groovy | nextflow.config)
      echo '// ||^#!' ;;
    *.sh | *.bash | *.py | *.pyi | *.cmake | CMakeLists.txt | Snakefile | *.smk | *.desktop | \
      *.yml | *.yaml | *.toml | *.cfg | *.ini | .gitignore | .clang-format)
      echo '# ||^#!' ;;
    *.xml | *.md)
      echo '<!-- | -->|^<[?]xml ' ;;
    # scdoc takes the title line only as the very first line.
    *.scd)
      echo '; ||^' ;;
    *.*) ;;
    # A script without a suffix says what it is in its first line.
    *) if [ "$(head -c 2 "$path")" = '#!' ]; then echo '# ||^#!'; fi ;;
  esac
}

missing=0
while IFS= read -r -d '' path; do
  [ -f "$path" ] && [ ! -L "$path" ] || continue
  rule=$(style "$path")
  [ -n "$rule" ] || continue
  # Near the top, where this script puts it and where readers look for it.
  awk 'NR > 5 { exit } /SPDX-License-Identifier:/ { found = 1; exit } END { exit !found }' \
    "$path" && continue
  if [ "$check" -eq 1 ]; then
    echo "$path"
    missing=1
    continue
  fi
  IFS='|' read -r open close after <<<"$rule"
  line="${open}SPDX-License-Identifier: ${licence}${close}"
  tmp=$(mktemp)
  awk -v line="$line" -v after="$after" '
    NR == 1 && after != "" && $0 ~ after { print; print line; done = 1; next }
    NR == 1 { print line; done = 1 }
    { print }
    END { if (!done) print line }' "$path" >"$tmp"
  # Through cat, so that the file keeps its own mode (an executable script stays one).
  cat "$tmp" >"$path"
  rm -f "$tmp"
  echo "added: $path"
done < <(files)

if [ "$check" -eq 1 ] && [ "$missing" -eq 1 ]; then
  echo "spdx.sh: the files above have no SPDX-License-Identifier line; run scripts/spdx.sh" >&2
  exit 1
fi
exit 0
