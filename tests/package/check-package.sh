#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree, unpacks it into
# a throw-away root and checks it there as a desktop would see it: the files
# in their places, the desktop entry and the AppStream metadata valid, the
# installed program running, and the menu entry, launched through GIO on a
# virtual X server, starting a Vantri that answers commands.
#
#   check-package.sh BUILD_DIR VERSION
#
# Exits 77 (skipped) when a tool it needs is not installed.
set -euo pipefail

build=$1
version=$2
id=example.vantri.Vantri

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli gio Xvfb file; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

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

# The package, from the tree as built: cpack only installs and archives it.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
deb=$(find "$work/package" -maxdepth 1 -name "vantri_${version}_*.deb")
[ -f "$deb" ] || fail "no vantri_${version}_*.deb among: $(ls "$work/package")"
echo "built $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vantri ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "package version is '$(field Version)'"
[ "$(field Section)" = utils ] || fail "section is '$(field Section)'"
# Computed from the program's libraries, so Qt is among them.
field Depends | grep -q 'libqt6widgets6' || fail "dependencies not computed: '$(field Depends)'"
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }
sed 's/^/lintian: /' "$work/lintian.log"

root=$work/root
dpkg -x "$deb" "$root"
share=$root/usr/share
expect_file() { [ -f "$root/$1" ] || fail "$1 is not in the package"; }
expect_file usr/bin/vantri
expect_file usr/libexec/vantri/vantri-app
expect_file "usr/share/applications/$id.desktop"
expect_file "usr/share/metainfo/$id.metainfo.xml"
expect_file "usr/share/icons/hicolor/scalable/apps/$id.svg"
expect_file "usr/share/icons/hicolor/symbolic/apps/$id-symbolic.svg"
for size in 16 24 32 48 64 128 256 512; do
    png=usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    expect_file "$png"
    file "$root/$png" | grep -q "PNG image data, $size x $size," ||
        fail "$png is not a $size x $size PNG: $(file -b "$root/$png")"
done
expect_file usr/share/man/man1/vantri.1.gz
gzip -dc "$root/usr/share/man/man1/vantri.1.gz" | grep -q '^\.TH "vantri" "1"' ||
    fail "vantri.1.gz is not a compressed manual page"
expect_file usr/share/doc/vantri/copyright
# Every screenshot the metadata names is shipped under the same name.
shots=$(grep -o 'https://vantri.example/screenshots/[^<]*' "$share/metainfo/$id.metainfo.xml")
[ -n "$shots" ] || fail "the metadata names no screenshots"
for shot in $shots; do expect_file "usr/share/vantri/${shot#https://vantri.example/}"; done

desktop-file-validate "$share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

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
