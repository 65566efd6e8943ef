#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Makes the Debian packages the way a user does, with tools/package in a fresh
# clone of the tree, and checks them: lintian at its strictest on the source
# and the binary package, the licence information of every file, then the
# binary package unpacked into a throw-away root as a desktop would see it:
# the files in their places, the desktop entry and the AppStream metadata
# valid, the programs hardened, the bash completion completing, the installed
# program running, and the menu entry, launched through GIO on a virtual X
# server, starting a Vantri that answers commands.
#
#   check-package.sh SOURCE_DIR BUILD_DIR VERSION SANITIZE
#
# The clone is of the commit checked out in SOURCE_DIR. Exits 77 (skipped) in
# a sanitizer build (the plain build checks the same package) and when a
# package that tools/package would install is missing.
set -euo pipefail

source_dir=$1
build=$2
version=$3
sanitize=$4
id=example.vantri.Vantri

case ${sanitize^^} in
ON | TRUE | YES | 1) echo "SKIP: a sanitizer build; the plain build checks the package"; exit 77 ;;
esac
command -v git >/dev/null || { echo "SKIP: git is not installed"; exit 77; }
source "$source_dir/tools/common.sh"
missing=$(vantri_missing_packages)
[ -z "$missing" ] || { echo "SKIP: not installed: $(echo "$missing" | tr '\n' ' ')"; exit 77; }

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

wait_for() { # wait_for SECONDS COMMAND...: until COMMAND succeeds
    local tries=$(($1 * 10))
    shift
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# The clone stays at one place in the build tree, so that the compiler cache
# knows its objects from the last run.
clone=$build/package-test/vantri
rm -rf "$clone"
git clone --quiet "$source_dir" "$clone" || fail "git clone of $source_dir"
echo "packaging $(git -C "$clone" log -1 --format='%h %s')"

(cd "$clone" && reuse lint) >"$work/reuse.log" 2>&1 || { cat "$work/reuse.log" >&2; fail "reuse lint"; }

BUILD_DIR=$clone/build "$clone/tools/package" >"$work/package.log" 2>&1 ||
    { tail -n 100 "$work/package.log" >&2; fail "tools/package did not build the packages"; }
out=$clone/build/debian-packages
dsc=$out/vantri_$version.dsc
[ -f "$dsc" ] || fail "no vantri_$version.dsc among: $(ls "$out")"
deb=$(find "$out" -maxdepth 1 -name "vantri_${version}_*.deb")
[ -f "$deb" ] || fail "no vantri_${version}_*.deb among: $(ls "$out")"
echo "built $(basename "$dsc") and $(basename "$deb")"
# Compiled with the flags of dpkg-buildflags: fortify leaves a mark in a
# program only where it calls a function it guards, so the compile lines tell.
grep -q -- '-D_FORTIFY_SOURCE=2' "$work/package.log" || fail "the build did not use dpkg-buildflags"

field() { dpkg-deb --field "$deb" "$1"; }
fields="$(field Package) $(field Version) $(field Section)"
[ "$fields" = "vantri $version utils" ] || fail "package, version, section are '$fields'"
# Computed from the program's libraries, so Qt is among them.
field Depends | grep -q 'libqt6widgets6' || fail "dependencies not computed: '$(field Depends)'"
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"

lintian --pedantic --display-info --fail-on error,warning --tag-display-limit 0 "$dsc" "$deb" \
    >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian reports problems"; }
sed 's/^/lintian: /' "$work/lintian.log"

root=$work/root
dpkg -x "$deb" "$root"
share=$root/usr/share
expect_file() { [ -f "$root/$1" ] || fail "$1 is not in the package"; }
for file in usr/bin/vantri usr/libexec/vantri/vantri-app "usr/share/applications/$id.desktop" \
    "usr/share/metainfo/$id.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "usr/share/icons/hicolor/symbolic/apps/$id-symbolic.svg" usr/share/doc/vantri/changelog.gz \
    usr/share/bash-completion/completions/vantri usr/share/zsh/vendor-completions/_vantri \
    usr/share/fish/vendor_completions.d/vantri.fish usr/share/doc/vantri/examples/scripts/hello.meta; do
    expect_file "$file"
done
for size in 16 24 32 48 64 128 256 512; do
    png=usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    file "$root/$png" | grep -q "PNG image data, $size x $size," ||
        fail "$png is not a $size x $size PNG: $(file -b "$root/$png")"
done
gzip -dc "$root/usr/share/man/man1/vantri.1.gz" | grep -q '^\.TH "vantri" "1"' ||
    fail "vantri.1.gz is not a compressed manual page"
grep -q '^License: GPL-3.0-or-later$' "$root/usr/share/doc/vantri/copyright" ||
    fail "the copyright file names no licence"

# Hardened as dpkg-buildflags asks: PIE, stack protector, fortified functions,
# read-only relocations and immediate binding. Control-flow protection is not
# among the flags it gives on Debian 12.
for program in usr/bin/vantri usr/libexec/vantri/vantri-app; do
    hardening-check --nocfprotection "$root/$program" >"$work/hardening.log" 2>&1 ||
        { cat "$work/hardening.log" >&2; fail "$program is not hardened"; }
done

# What bash offers for "vantri t<Tab>", from the installed completion.
completion=$(bash -c 'source "$1" && complete -p vantri >/dev/null || exit 1
    function=$(complete -p vantri | sed -n "s/.* -F \([^ ]*\) .*/\1/p")
    COMP_WORDS=(vantri t) COMP_CWORD=1 COMP_LINE="vantri t" COMP_POINT=8
    "$function" vantri t vantri && printf "%s\n" "${COMPREPLY[@]}"' \
    bash "$root/usr/share/bash-completion/completions/vantri") ||
    fail "the bash completion does not complete vantri"
[ "$completion" = toggle ] || fail "bash completes 'vantri t' to '$completion', not 'toggle'"
# Every screenshot the metadata names is shipped under the same name.
shots=$(grep -o 'https://vantri.example/screenshots/[^<]*' "$share/metainfo/$id.metainfo.xml")
[ -n "$shots" ] || fail "the metadata names no screenshots"
for shot in $shots; do expect_file "usr/share/vantri/${shot#https://vantri.example/}"; done

desktop-file-validate "$share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --pedantic --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

reported=$("$root/usr/bin/vantri" --version) || fail "the installed vantri --version failed"
grep -qw -- "$version" <<<"$reported" || fail "the installed vantri --version says '$reported'"

# The menu entry, launched the way a desktop launches it, on a display and
# with a home of its own, finds the installed program through PATH.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$share:/usr/share PATH=$root/usr/bin:$PATH
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=$XDG_RUNTIME_DIR/vantri-$(id -u).socket

gio launch "$share/applications/$id.desktop" || fail "gio launch"
wait_for 30 test -S "$socket" || fail "no Vantri listens after the launch"
installed_running() {
    local exe
    for exe in /proc/[0-9]*/exe; do
        [[ $(readlink "$exe" 2>/dev/null) == "$root"/usr/* ]] && return 0
    done
    return 1
}
installed_running || fail "the Vantri running is not the installed one"
vantri hide || fail "the launched Vantri did not answer 'vantri hide'"
vantri quit || fail "the launched Vantri did not answer 'vantri quit'"
wait_for 10 test ! -e "$socket" || fail "the launched Vantri did not end"
echo "PASS"
