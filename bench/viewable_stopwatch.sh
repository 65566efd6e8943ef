# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Sourced by the benchmark scripts, after start_virtual_desktop. Builds
# bench/await_viewable.c, a waiter that listens to the X server for a window of
# a given instance name becoming viewable and notes when it does. It is
# listening before the command starts and does not poll, so it neither misses
# the moment nor takes processor time from the program it times.
#
# usage: prepare_viewable_stopwatch WORK_FOLDER
#        time_to_viewable PATTERN COMMAND...
# time_to_viewable prints the microseconds from the start of COMMAND (run in
# the background, its output discarded) to the window, and the window's id.
prepare_viewable_stopwatch() {
    stopwatch_folder=$1
    cc -O2 -o "$stopwatch_folder/await_viewable" "$root/bench/await_viewable.c" -lxcb
}

time_to_viewable() {
    local pattern=$1 stamp window start waiting
    shift
    "$stopwatch_folder/await_viewable" "$pattern" 30000 >"$stopwatch_folder/viewable" &
    waiting=$!
    until [ -s "$stopwatch_folder/viewable" ]; do sleep 0.001; done
    start=${EPOCHREALTIME/./}
    "$@" >/dev/null &
    if ! wait "$waiting"; then
        echo "no window matching $pattern appeared" >&2
        exit 1
    fi
    read -r stamp window < <(tail -n 1 "$stopwatch_folder/viewable")
    echo $((stamp - start)) "$window"
}
