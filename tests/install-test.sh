#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a person or a distribution gets:
# exactly the expected files, menu entry, metadata and manual pages that their validators pass
# without a warning, icons of the right sizes and programs that state the project's version.
# A Debian package built by `make package` for this version is checked the same way.
# usage: install-test.sh BUILD_DIR VERSION APP_ID
set -euo pipefail

build=$1
version=$2
id=$3
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in desktop-file-validate appstreamcli man rsvg-convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing; run 'make deps'" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/orbel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

expected=$(sort <<EOF
usr/bin/orbelfive
usr/bin/orbelfive-cli
usr/share/applications/$id.desktop
usr/share/doc/orbelfive/LICENSE
usr/share/doc/orbelfive/README.md
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/orbelfive-cli.1
usr/share/man/man6/orbelfive.6
usr/share/metainfo/$id.metainfo.xml
EOF
)

# The width and height stored in a PNG's header.
png_size() {
    local bytes
    read -r -a bytes <<<"$(od -An -tu1 -j16 -N8 "$1")"
    echo "$(((bytes[0] << 24) + (bytes[1] << 16) + (bytes[2] << 8) + bytes[3]))x$(((bytes[4] << 24) + (bytes[5] << 16) + (bytes[6] << 8) + bytes[7]))"
}

# Checks the tree under $1 (a DESTDIR or an unpacked package); $2 names it in messages.
check_tree() {
    local root=$1 what=$2 usr=$1/usr
    local found
    found=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
    if [ "$found" != "$expected" ]; then
        fail "$what: the installed files differ from the expected ones (< expected, > found)"
        diff <(echo "$expected") <(echo "$found") >&2 || true
        return
    fi

    local out
    out=$(desktop-file-validate "$usr/share/applications/$id.desktop" 2>&1) ||
        fail "$what: desktop-file-validate failed"
    [ -z "$out" ] || fail "$what: desktop-file-validate reports: $out"
    grep -qx "Icon=$id" "$usr/share/applications/$id.desktop" ||
        fail "$what: the menu entry does not name the icon $id"
    local exec
    exec=$(sed -n 's/^Exec=//p' "$usr/share/applications/$id.desktop")
    [ -x "$usr/bin/$exec" ] || fail "$what: the menu entry runs '$exec', which is not installed"

    out=$(appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" 2>&1) ||
        fail "$what: appstreamcli validate failed: $out"
    if grep -Eq '^[[:space:]]*[EWI]: ' <<<"$out"; then fail "$what: appstreamcli reports: $out"; fi
    out=$(appstreamcli validate-tree --no-net "$usr" 2>&1) ||
        fail "$what: appstreamcli validate-tree failed: $out"
    if grep -Eq '^[[:space:]]*[EWI]: ' <<<"$out"; then fail "$what: appstreamcli validate-tree reports: $out"; fi
    grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" ||
        fail "$what: the metadata has no release $version"

    local page
    for page in "$usr/share/man/man6/orbelfive.6" "$usr/share/man/man1/orbelfive-cli.1"; do
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ||
            fail "$what: man cannot format $page"
        [ -z "$out" ] || fail "$what: man --warnings reports for $(basename "$page"): $out"
        grep -q "$version" "$page" || fail "$what: $(basename "$page") does not state $version"
    done

    local side
    for side in 16 32 48 64 128 256; do
        local png=$usr/share/icons/hicolor/${side}x$side/apps/$id.png
        [ "$(png_size "$png")" = "${side}x$side" ] ||
            fail "$what: the ${side}px icon is $(png_size "$png")"
    done

    out=$("$usr/bin/orbelfive-cli" --version 2>&1) || fail "$what: orbelfive-cli --version failed"
    [ "$out" = "orbelfive-cli $version" ] || fail "$what: orbelfive-cli --version says '$out'"
    # No window system is available, so any attempt to open a window would abort the program.
    out=$(QT_QPA_PLATFORM=no-window-system timeout 20 "$usr/bin/orbelfive" --version 2>&1) ||
        fail "$what: orbelfive --version failed: $out"
    [ "$out" = "orbelfive $version" ] || fail "$what: orbelfive --version says '$out'"
    out=$(QT_QPA_PLATFORM=no-window-system timeout 20 "$usr/bin/orbelfive" --help 2>&1) ||
        fail "$what: orbelfive --help failed: $out"
    grep -q -- "--version" <<<"$out" || fail "$what: orbelfive --help does not list --version"
    local status=0
    out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$usr/bin/orbelfive" --no-such-option 2>&1) ||
        status=$?
    [ "$status" = 1 ] || fail "$what: orbelfive --no-such-option ended with status $status: $out"
}

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }
check_tree "$work/dest" "cmake --install"

# A package is checked when `make package` built one from the current programs.
deb=$(ls "$build"/orbelfive_"$version"_*.deb 2>/dev/null | head -n 1 || true)
if [ -n "$deb" ] && [ "$deb" -nt "$build/app/orbelfive" ]; then
    dpkg-deb -x "$deb" "$work/deb"
    check_tree "$work/deb" "$(basename "$deb")"
    for field in "Package: orbelfive" "Version: $version" "Section: games"; do
        dpkg-deb -f "$deb" | grep -qx "$field" || fail "$(basename "$deb") lacks '$field'"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    for needed in libqt6widgets6 libc6 qt6-qpa-plugins; do
        grep -q "$needed" <<<"$depends" || fail "$(basename "$deb") does not depend on $needed"
    done
    echo "checked $(basename "$deb")"
else
    echo "no current package in $build; 'make package' builds one"
fi

[ "$failures" = 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install checks passed"
