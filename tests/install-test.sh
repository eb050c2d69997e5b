#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a person or a distribution gets:
# exactly the expected files, menu entry, metadata and manual pages that their validators pass
# without a warning, icons of the right sizes and programs that state the project's version.
# With --package it builds the Debian package instead, as `make package` does but into a
# temporary folder, and checks its files the same way, its control fields, changelog and
# copyright file, and that lintian reports no error and no warning. That is skipped (status
# 77) when cpack, dpkg-deb, dpkg-shlibdeps or lintian is missing.
# usage: install-test.sh BUILD_DIR VERSION APP_ID [--package]
set -euo pipefail

build=$1
version=$2
id=$3
package=false
[ "${4:-}" != --package ] || package=true
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in desktop-file-validate appstreamcli man rsvg-convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing; run 'make deps'" >&2; exit 1; }
done
cpack=${CPACK:-cpack}
if $package; then
    for tool in "$cpack" dpkg-deb dpkg-shlibdeps lintian; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIPPED: $tool is missing, so no package is built and checked here" \
                "('make check' and 'make package' install it)"
            exit 77
        fi
    done
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orbel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The programs are games: they go to games/ beside bin/ (ORBEL_GAMES_BINDIR).
files="usr/games/orbelfive
usr/games/orbelfive-cli
usr/share/applications/$id.desktop
usr/share/doc/orbelfive/README.md
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/orbelfive-cli.1.gz
usr/share/man/man6/orbelfive.6.gz
usr/share/metainfo/$id.metainfo.xml"
# An install carries the licence's text; the package states the licence in its copyright
# file instead (Debian keeps the GPL's text in /usr/share/common-licenses), and adds its
# changelog.
doc=usr/share/doc/orbelfive
installed=$(printf '%s\n' "$files" "$doc/LICENSE" | sort)
packaged=$(printf '%s\n' "$files" "$doc/copyright" "$doc/changelog.gz" | sort)

# The width and height stored in a PNG's header.
png_size() {
    local bytes
    read -r -a bytes <<<"$(od -An -tu1 -j16 -N8 "$1")"
    echo "$(((bytes[0] << 24) + (bytes[1] << 16) + (bytes[2] << 8) + bytes[3]))x$(((bytes[4] << 24) + (bytes[5] << 16) + (bytes[6] << 8) + bytes[7]))"
}

# Checks the tree under $1 (a DESTDIR or an unpacked package, both for the prefix /usr)
# against the file list $3; $2 names it in messages.
check_tree() {
    local root=$1 what=$2 expected=$3 usr=$1/usr
    local found
    found=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
    if [ "$found" != "$expected" ]; then
        fail "$what: the installed files differ from the expected ones (< expected, > found)"
        diff <(echo "$expected") <(echo "$found") >&2 || true
        return
    fi

    local out entry=$usr/share/applications/$id.desktop
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$what: desktop-file-validate failed"
    [ -z "$out" ] || fail "$what: desktop-file-validate reports: $out"
    grep -qx "Icon=$id" "$entry" || fail "$what: the menu entry does not name the icon $id"
    # The entry runs the game by its full path.
    local key
    for key in Exec TryExec; do
        [ "$(sed -n "s/^$key=//p" "$entry")" = /usr/games/orbelfive ] ||
            fail "$what: the menu entry's $key is not /usr/games/orbelfive"
    done

    out=$(appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" 2>&1) ||
        fail "$what: appstreamcli validate failed: $out"
    if grep -Eq '^[[:space:]]*[EWI]: ' <<<"$out"; then fail "$what: appstreamcli reports: $out"; fi
    out=$(appstreamcli validate-tree --no-net "$usr" 2>&1) ||
        fail "$what: appstreamcli validate-tree failed: $out"
    if grep -Eq '^[[:space:]]*[EWI]: ' <<<"$out"; then fail "$what: appstreamcli validate-tree reports: $out"; fi
    grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" ||
        fail "$what: the metadata has no release $version"

    local page
    for page in "$usr/share/man/man6/orbelfive.6.gz" "$usr/share/man/man1/orbelfive-cli.1.gz"; do
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) ||
            fail "$what: man cannot format $page"
        [ -z "$out" ] || fail "$what: man --warnings reports for $(basename "$page"): $out"
        zgrep -q "$version" "$page" || fail "$what: $(basename "$page") does not state $version"
        # gzip -n: the header's flags (no file name) and time are all zero.
        [ "$(od -An -tx1 -j3 -N5 "$page" | tr -d ' ')" = 0000000000 ] ||
            fail "$what: $(basename "$page") holds a file name or time (not gzip -n)"
    done

    local side
    for side in 16 32 48 64 128 256; do
        local png=$usr/share/icons/hicolor/${side}x$side/apps/$id.png
        [ "$(png_size "$png")" = "${side}x$side" ] ||
            fail "$what: the ${side}px icon is $(png_size "$png")"
    done

    local word
    for word in --version -v; do
        out=$("$usr/games/orbelfive-cli" "$word" 2>&1) || fail "$what: orbelfive-cli $word failed"
        [ "$out" = "orbelfive-cli $version" ] || fail "$what: orbelfive-cli $word says '$out'"
    done
    # No window system is available, so any attempt to open a window would abort the program.
    out=$(QT_QPA_PLATFORM=no-window-system timeout 20 "$usr/games/orbelfive" --version 2>&1) ||
        fail "$what: orbelfive --version failed: $out"
    [ "$out" = "orbelfive $version" ] || fail "$what: orbelfive --version says '$out'"
    # On X11 a dock matches a window to its menu entry by the window's class, which Qt takes
    # from the application's name: the name --version prints.
    grep -qx "StartupWMClass=${out%% *}" "$entry" ||
        fail "$what: the menu entry's StartupWMClass is not the application's name '${out%% *}'"
    out=$(QT_QPA_PLATFORM=no-window-system timeout 20 "$usr/games/orbelfive" --help 2>&1) ||
        fail "$what: orbelfive --help failed: $out"
    grep -q -- "--version" <<<"$out" || fail "$what: orbelfive --help does not list --version"
    local status=0
    out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$usr/games/orbelfive" --no-such-option 2>&1) ||
        status=$?
    [ "$status" = 1 ] || fail "$what: orbelfive --no-such-option ended with status $status: $out"
}

if ! $package; then
    DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install failed"; }
    check_tree "$work/dest" "cmake --install" "$installed"
    [ "$failures" = 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
    echo "install checks passed"
    exit 0
fi

# The package `make package` builds from this build, written here instead.
"$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
deb=$(ls "$work/package"/orbelfive_"$version"_*.deb)
name=$(basename "$deb")
dpkg-deb -x "$deb" "$work/deb"
check_tree "$work/deb" "$name" "$packaged"
for field in "Package: orbelfive" "Version: $version" "Section: games"; do
    dpkg-deb -f "$deb" | grep -qx "$field" || fail "$name lacks '$field'"
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libc6 libsqlite3-0 qt6-qpa-plugins; do
    grep -q "$needed" <<<"$depends" || fail "$name does not depend on $needed"
done
zcat "$work/deb/$doc/changelog.gz" >"$work/changelog"
latest=$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1) ||
    fail "$name: dpkg-parsechangelog cannot read the changelog: $latest"
[ "$latest" = "$version" ] || fail "$name: the changelog's latest version is '$latest'"
head -n 1 "$work/deb/$doc/copyright" |
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "$name: the copyright file is not machine-readable (DEP-5)"

# Errors and warnings fail; the informational tags are only shown.
status=0
out=$(lintian --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
echo "lintian $name:"
echo "$out"
if [ "$status" != 0 ] || grep -Eq '^[EW]: ' <<<"$out"; then
    fail "lintian reports errors or warnings on $name (status $status)"
fi

[ "$failures" = 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "package checks passed"
