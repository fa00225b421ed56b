#!/usr/bin/env bash
# Installs the built application the two ways `make install` does and checks what desktops and
# packages read from it: staged under DESTDIR (stripped, no generated caches) and straight into a
# prefix (caches refreshed, and the program starts from there). `make uninstall` must take each
# away again.
set -euo pipefail
source="$1"
build="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "install check: $*" >&2
    exit 1
}
# `make uninstall` of what was just installed from the build folder; $1: the DESTDIR, if any.
uninstall() {
    make -s -C "$source" uninstall RELEASE_BUILD="$build" DESTDIR="${1:-}" > /dev/null
}
# A PNG's width and height, from its header.
png_size() {
    local header
    header=$(od -An -j16 -N8 -tx1 "$1" | tr -d ' \n')
    echo "$((16#${header:0:8}))x$((16#${header:8:8}))"
}
# What is left under a folder, one path a line, relative to it.
files_under() {
    (cd "$1" && find . \( -type f -o -type l \) | sort)
}

# --- A package's stage.
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip > /dev/null
usr="$stage/usr"

readelf -S "$usr/bin/brindlex" | grep -Eq '\.symtab|\.debug_' && fail "the program is not stripped"
desktop-file-validate "$usr/share/applications/brindlex.desktop"
grep -qx 'Exec=brindlex %F' "$usr/share/applications/brindlex.desktop"
grep -qx 'StartupNotify=true' "$usr/share/applications/brindlex.desktop"
grep -q 'inode/directory' "$usr/share/applications/brindlex.desktop" &&
    fail "the desktop entry claims folders"
appstreamcli validate --no-net "$usr/share/metainfo/app.brindlex.Brindlex.metainfo.xml" > /dev/null ||
    fail "the AppStream metainfo does not validate"
for size in 16 22 24 32 48 64 128 256 512; do
    for icon in apps/brindlex.png mimetypes/application-x-brindlex-notes.png; do
        picture="$usr/share/icons/hicolor/${size}x$size/$icon"
        [[ -f "$picture" && "$(png_size "$picture")" == "${size}x$size" ]] || fail "no $size-pixel $icon"
    done
done
for icon in apps/brindlex.svg mimetypes/application-x-brindlex-notes.svg; do
    test -s "$usr/share/icons/hicolor/scalable/$icon" || fail "no scalable $icon"
done
# Caches belong to the system the package lands on: only our own sources may be staged.
[[ "$(files_under "$usr/share/mime")" == "./packages/brindlex.xml" ]] ||
    fail "generated MIME files staged: $(files_under "$usr/share/mime")"
[[ "$(files_under "$usr/share/applications")" == "./brindlex.desktop" ]] ||
    fail "generated application caches staged: $(files_under "$usr/share/applications")"

uninstall "$stage"
[[ -z "$(files_under "$stage")" ]] || fail "uninstall left: $(files_under "$stage")"

# --- Straight into a prefix of the user's choosing.
prefix="$work/prefix"
# update-mime-database notes that the prefix is not among the desktop's data folders.
cmake --install "$build" --prefix "$prefix" > /dev/null 2>&1
grep -q ':application/x-brindlex-notes:\*\.brindlex' "$prefix/share/mime/globs2"
grep -q '^application/x-brindlex-notes inode/directory$' "$prefix/share/mime/subclasses"
grep -q 'application/x-brindlex-notes=brindlex.desktop' "$prefix/share/applications/mimeinfo.cache"

# Starts the program in a home of its own (no update check, so no network) and ends it once it
# answers SIGTERM; prints its exit status. A launch that refuses the place it runs from stops at
# its alert, where SIGTERM ends it with 1; one that runs on ends with 0.
launch() {
    local program="$1" home="$work/home-$2"
    mkdir -p "$home/config/Brindlex" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '[General]\nAutoCheckForUpdates=false\n' > "$home/config/Brindlex/Brindlex.conf"
    env -u BRINDLEX_ANY_LOCATION HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
        QT_QPA_PLATFORM=offscreen "$program" > "$home/stdout" 2> "$home/stderr" &
    local pid=$!
    # SIGTERM is caught once the application has set itself up; before that it would kill. Until
    # the program is running, the process is still the shell or env, with handlers of their own.
    local executable
    executable=$(readlink -f "$program")
    until [[ "$(readlink "/proc/$pid/exe" 2> /dev/null)" == "$executable" ]] &&
        (($(printf '%d' "0x$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status")") & (1 << 14))); do
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.05
    done
    kill -TERM "$pid" 2> /dev/null || true
    local status=0
    wait "$pid" || status=$?
    echo "$status"
}
[[ "$(launch "$prefix/bin/brindlex" prefix)" == 0 ]] ||
    fail "the program refuses to start from its install prefix: $(cat "$work/home-prefix/stderr")"
# The offscreen platform's own notices (no window stacking, no size hints) are no fault of ours.
warnings=$(grep -v -e '^This plugin does not support propagateSizeHints()$' \
    -e '^This plugin does not support raise()$' "$work/home-prefix/stderr" || true)
[[ -z "$warnings" ]] || fail "warnings at start: $warnings"
# The same program copied out of its prefix refuses, so the start above proves the rule.
mkdir -p "$work/elsewhere"
cp "$prefix/bin/brindlex" "$work/elsewhere/brindlex"
[[ "$(launch "$work/elsewhere/brindlex" elsewhere)" == 1 ]] ||
    fail "a program outside any install started"

uninstall
# Only the refreshed caches stay, and they no longer name the application.
left=$(files_under "$prefix" | grep -v -e '^./share/mime/' -e '^./share/applications/mimeinfo.cache$' || true)
[[ -z "$left" ]] || fail "uninstall left: $left"
grep -q 'brindlex' "$prefix/share/mime/globs2" && fail "the notes-file type is still known"
grep -q 'brindlex' "$prefix/share/applications/mimeinfo.cache" && fail "the desktop entry is still known"
echo "install ok"
