#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Cold start and resident memory with a 20,000-entry index file in place.
#
# Cold start: from `vantri show` with no Vantri running to its panel viewable,
# against the same for bench/minimal_window (a Qt 6 program that only shows a
# window of the panel's kind), and against Vantri with an empty index (the
# start must not depend on the index), all run in turn, medians and ratios.
# Memory: Vantri's resident set idle (panel hidden after the first show), then
# after a one-letter search and hide, beside the minimal window's; and how
# often Vantri's threads wake while the panel stays hidden.
#
# Runs its own Xvfb and openbox and a Vantri with a private home and runtime
# folder, so it neither needs nor touches a desktop session.
#
# usage: bench/cold_start.sh [runs]        (default 20)
# VANTRI_BINARY chooses the program (default: build/src/vantri).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
vantri=${VANTRI_BINARY:-$root/build/src/vantri}
minimal=${MINIMAL_WINDOW:-$root/build/bench/minimal_window}
runs=${1:-20}
entries=20000
for tool in Xvfb xprop xdotool cc "$vantri" "$minimal"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    "$vantri" quit >/dev/null 2>&1 || true
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

system_data_dirs=${XDG_DATA_DIRS:-/usr/local/share:/usr/share}
mkdir -p "$work"/{home,config,data/Vantri,empty/Vantri,share}
mkdir -m 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_DATA_DIRS=$work/share XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# The index file as a scan writes it: compact, in name order.
awk -v n=$entries 'BEGIN {
    printf "["
    for (i = 0; i < n; i++)
        printf "%s{\"name\":\"application %05d tool\",\"path\":\"/usr/share/applications/org.example.App%05d.desktop\"}", (i ? "," : ""), i, i
    printf "]"
}' >"$work/data/Vantri/appIndex.json"
echo '[]' >"$work/empty/Vantri/appIndex.json"

source "$root/bench/virtual_desktop.sh"
start_virtual_desktop "$system_data_dirs"

source "$root/bench/viewable_stopwatch.sh"
prepare_viewable_stopwatch "$work"

await_gone() { # await_gone PATTERN
    while xdotool search --classname "$1" >/dev/null 2>&1; do sleep 0.02; done
}

cold_show() { # cold_show DATA_HOME: prints microseconds to the panel, and quits again
    local elapsed window
    read -r elapsed window < <(XDG_DATA_HOME=$1 time_to_viewable '^vantri' "$vantri" show)
    echo "$elapsed"
    "$vantri" quit
    await_gone '^vantri'
}

vantri_times=() empty_times=() minimal_times=()
for ((i = 0; i < runs; i++)); do
    vantri_times+=("$(cold_show "$work/data")")
    empty_times+=("$(cold_show "$work/empty")")

    read -r elapsed window < <(time_to_viewable '^minimal_window$' "$minimal")
    minimal_times+=("$elapsed")
    pkill -x minimal_window
    await_gone '^minimal_window$'
done

median_ms() { # median_ms MICROSECONDS...
    sort -n <<<"$(printf '%s\n' "$@")" | awk '{ v[NR] = $1 / 1000 }
        END { printf "%.1f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

resident_mb() { # resident_mb PID
    awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

# Voluntary and involuntary context switches of every thread: each is a wake-up.
switches() { # switches PID
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n }'
}

# Memory: one instance, shown, hidden and left alone, then searched and hidden.
read -r elapsed panel < <(time_to_viewable '^vantri' "$vantri" show)
instance=$(xdotool getwindowpid "$panel")
pids+=("$instance")
"$vantri" hide
sleep 2
idle=$(resident_mb "$instance")
before=$(switches "$instance")
sleep 5
wakeups=$(($(switches "$instance") - before))
time_to_viewable '^vantri' "$vantri" show >/dev/null
sleep 0.5
xdotool type --delay 0 a
sleep 1
"$vantri" hide
sleep 1
searched=$(resident_mb "$instance")

read -r elapsed window < <(time_to_viewable '^minimal_window$' "$minimal")
floor=$(xdotool getwindowpid "$window")
pids+=("$floor")
floor_memory=$(resident_mb "$floor")

vantri_median=$(median_ms "${vantri_times[@]}")
minimal_median=$(median_ms "${minimal_times[@]}")
empty_median=$(median_ms "${empty_times[@]}")
echo "cold start, $runs runs each, in turn, $entries-entry index (Xvfb${DISPLAY:+ $DISPLAY}, $(command -v openbox >/dev/null && echo openbox || echo no window manager)):"
printf '  %-52s median %6s ms\n' "vantri show, no instance -> panel viewable" "$vantri_median"
printf '  %-52s median %6s ms\n' "vantri show, no instance, empty index" "$empty_median"
printf '  %-52s median %6s ms\n' "minimal Qt 6 window -> viewable" "$minimal_median"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '  %-52s %6s\n' "ratio to the minimal window" "$(ratio "$vantri_median" "$minimal_median")"
printf '  %-52s %6s\n' "ratio to the empty index" "$(ratio "$vantri_median" "$empty_median")"
echo "resident memory:"
printf '  %-52s %6s MB\n' "Vantri idle (panel shown once, hidden)" "$idle"
printf '  %-52s %6s MB\n' "Vantri after a one-letter search and hide" "$searched"
printf '  %-52s %6s MB\n' "minimal Qt 6 window" "$floor_memory"
printf '  %-52s %6s\n' "Vantri thread wake-ups in 5 s hidden" "$wakeups"
