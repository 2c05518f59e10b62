#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tree as it stands has an SPDX line in every source file. On a scratch tree, scripts/spdx.sh
# puts the line after what must stay first (a shebang, an XML declaration, a manual page's title
# line), leaves data alone, keeps a script executable, and changes nothing when run again.
set -uo pipefail
source_dir=$1
spdx=$source_dir/scripts/spdx.sh
failed=0
fail() { echo "FAILED: $*"; failed=1; }

out=$("$spdx" --check "$source_dir" 2>&1) || fail "source files without the SPDX line:
$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree"
# file | its text (printf) | its text after the script (printf; "=" for unchanged)
cases=$(cat <<'TABLE'
model/a.cpp|#pragma once\nint a;\n|// SPDX-License-Identifier: GPL-3.0-or-later\n#pragma once\nint a;\n
model/b.h|// already\n// SPDX-License-Identifier: GPL-3.0-or-later\n|=
run.sh|#!/bin/sh\necho hi\n|#!/bin/sh\n# SPDX-License-Identifier: GPL-3.0-or-later\necho hi\n
tool|#!/usr/bin/env python3\npass\n|#!/usr/bin/env python3\n# SPDX-License-Identifier: GPL-3.0-or-later\npass\n
mod/__init__.py||# SPDX-License-Identifier: GPL-3.0-or-later\n
CMakeLists.txt|project(x)\n|# SPDX-License-Identifier: GPL-3.0-or-later\nproject(x)\n
notes.txt|plain words\n|=
a.xml|<?xml version="1.0"?>\n<a/>\n|<?xml version="1.0"?>\n<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n<a/>\n
b.metainfo.xml.in|<c>@V@</c>\n|<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n<c>@V@</c>\n
x.1.scd|x(1)\n\n# NAME\n|x(1)\n; SPDX-License-Identifier: GPL-3.0-or-later\n\n# NAME\n
flow/main.nf|process a {}\n|// SPDX-License-Identifier: GPL-3.0-or-later\nprocess a {}\n
flow/Snakefile|rule all:\n|# SPDX-License-Identifier: GPL-3.0-or-later\nrule all:\n
session.json|{"a": 1}\n|=
corpus/seed|\x01\x02#!\n|=
picture.png|\x89PNG\r\n|=
translations/x_en.ts|<?xml version="1.0"?>\n<TS/>\n|=
TABLE
)
while IFS='|' read -r file text _; do
  mkdir -p "$(dirname "$tree/$file")"
  printf "$text" >"$tree/$file"
done <<<"$cases"
chmod 755 "$tree/run.sh"

listed=$("$spdx" --check "$tree" 2>/dev/null) && fail "--check passed a tree without the lines"
for file in model/a.cpp run.sh tool a.xml x.1.scd; do
  grep -qx "$file" <<<"$listed" || fail "--check did not name $file: $listed"
done
grep -qx "model/b.h" <<<"$listed" && fail "--check named model/b.h, which has the line"

"$spdx" "$tree" >/dev/null || fail "adding the lines failed"
while IFS='|' read -r file text after; do
  [ "$after" = "=" ] && after=$text
  cmp -s <(printf "$after") "$tree/$file" || fail "$file reads
$(cat "$tree/$file")"
done <<<"$cases"
[ -x "$tree/run.sh" ] || fail "run.sh is no longer executable"

before=$(cd "$tree" && find . -type f -exec md5sum {} + | sort)
again=$("$spdx" "$tree") || fail "the second run failed"
[ -z "$again" ] || fail "the second run changed: $again"
[ "$before" = "$(cd "$tree" && find . -type f -exec md5sum {} + | sort)" ] ||
  fail "the second run changed bytes"
"$spdx" --check "$tree" >/dev/null 2>&1 || fail "--check refused the tree the script completed"

[ "$failed" -eq 0 ] && echo "SPDX lines: every case as expected"
exit "$failed"
