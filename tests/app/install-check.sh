#!/usr/bin/env bash
# Installs the application into a temporary prefix and checks what the desktop reads from it:
# the desktop entry validates and the MIME database maps "*.brindlex" to the notes-file type.
set -euo pipefail
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null 2>&1
test -x "$prefix/bin/brindlex"
desktop-file-validate "$prefix/share/applications/brindlex.desktop"
grep -q 'Exec=brindlex %F' "$prefix/share/applications/brindlex.desktop"
! grep -q 'inode/directory' "$prefix/share/applications/brindlex.desktop"
grep -q ':application/x-brindlex-notes:\*\.brindlex' "$prefix/share/mime/globs2"
grep -q '^application/x-brindlex-notes inode/directory$' "$prefix/share/mime/subclasses"
echo "install layout ok"
