# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Sourced by the benchmark scripts. start_virtual_desktop starts an Xvfb of
# its own and exports DISPLAY for it; then, when trayer is installed, a tray
# host as a desktop session has (without one Vantri opens Settings a few
# seconds after its start, which would be timed too); then, when openbox is
# installed, starts it on that display and waits until it runs. The tray host
# comes first: a window manager that is starting may take over its window and
# drop it again. The process ids are appended to the caller's `pids` array, so
# that the caller's cleanup ends them.
#
# usage: start_virtual_desktop SYSTEM_DATA_DIRS
# (openbox finds its theme through the system's data folders, which the
# benchmarks hide from the program they measure.)
start_virtual_desktop() {
    local displayfd display
    exec {displayfd}<> <(:)
    Xvfb -displayfd "$displayfd" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    read -r -u "$displayfd" display
    exec {displayfd}<&-
    export DISPLAY=:$display
    if command -v trayer >/dev/null; then
        trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
        pids+=($!)
        until xdotool search --onlyvisible --class trayer >/dev/null 2>&1; do
            kill -0 "${pids[-1]}" 2>/dev/null || { echo "trayer did not start" >&2; exit 1; }
            sleep 0.05
        done
    fi
    if command -v openbox >/dev/null; then
        XDG_DATA_DIRS=$1 openbox --sm-disable >/dev/null 2>&1 &
        pids+=($!)
        # A window mapped while openbox is still starting may be taken over and
        # dropped again: wait until it has announced itself on the root window.
        until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
            kill -0 "${pids[-1]}" 2>/dev/null || { echo "openbox did not start" >&2; exit 1; }
            sleep 0.05
        done
    fi
}
