#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Measures how long the panel takes to appear after `vantri toggle`: from the
# start of the command to the X server reporting the panel window visible
# (VisibilityNotify), with Vantri already running. The floor is a plain C
# client (bench/plain_client.c) doing the same exchange on the same socket;
# the two alternate run by run, so that both see the same machine. Also
# reports the control client's peak memory. Runs its own Xvfb and window
# manager and a Vantri with a private home and runtime folder, so it neither
# needs nor touches a desktop session.
#
# usage: bench/toggle_latency.sh [runs]        (default 30)
# VANTRI_BINARY chooses the program (default: build/src/vantri).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
vantri=${VANTRI_BINARY:-$root/build/src/vantri}
runs=${1:-30}
for tool in Xvfb xev xprop xdotool cc /usr/bin/time "$vantri"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    # Clients first, the X server last.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# openbox finds its theme through the system's data folders; Vantri gets an
# empty one so that it indexes no installed application.
system_data_dirs=${XDG_DATA_DIRS:-/usr/local/share:/usr/share}
mkdir -p "$work"/{home,config,data,share}
mkdir -m 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_DATA_DIRS=$work/share XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

source "$root/bench/virtual_desktop.sh"
start_virtual_desktop "$system_data_dirs"

source "$root/bench/viewable_stopwatch.sh"
prepare_viewable_stopwatch "$work"

plain_client=$work/plain_client
cc -O2 -o "$plain_client" "$root/bench/plain_client.c"
socket=$XDG_RUNTIME_DIR/vantri-$(id -u).socket

now() { echo "${EPOCHREALTIME/./}"; } # microseconds

# The first toggle starts Vantri, which stays as the instance, and shows the panel.
read -r cold_microseconds panel < <(time_to_viewable '^vantri' "$vantri" toggle)
instance=$(xdotool getwindowpid "$panel")
pids+=("$instance")

# Timestamps each map and visibility change of the panel as the X server reports it.
coproc EVENTS {
    xev -id "$panel" -event structure -event visibility 2>/dev/null | while IFS= read -r line; do
        case $line in
        VisibilityNotify*) echo "$(now) visible" ;;
        UnmapNotify*) echo "$(now) hidden" ;;
        esac
    done
}
pids+=("$EVENTS_PID")

await() { # await KIND [SECONDS]: prints the time of the next event of that kind
    local stamp kind
    while read -r -t "${2:-10}" stamp kind <&"${EVENTS[0]}"; do
        [ "$kind" = "$1" ] && { echo "$stamp"; return; }
    done
    [ -n "${2:-}" ] && return 1
    echo "no '$1' event from the panel" >&2
    exit 1
}

# The panel is shown; xev may not watch it yet when the first command comes,
# so hide and show until it reports, and begin hidden.
until "$vantri" hide && await hidden 1 >/dev/null; do
    "$vantri" show
done

visible=() returned=() floor_visible=() floor_returned=()
measure() { # measure CLIENT...: shows the panel with CLIENT, then hides it again
    local start end
    start=$(now)
    "$@" toggle
    end=$(now)
    shown_after=$(($(await visible) - start)) returned_after=$((end - start))
    "$@" toggle
    await hidden >/dev/null
}
for ((i = 0; i < runs; i++)); do
    # Alternate which goes first, so neither always follows the other.
    for client in $( ((i % 2)) && echo "floor vantri" || echo "vantri floor"); do
        if [ "$client" = vantri ]; then
            measure "$vantri"
            visible+=("$shown_after") returned+=("$returned_after")
        else
            measure "$plain_client" "$socket"
            floor_visible+=("$shown_after") floor_returned+=("$returned_after")
        fi
    done
done
peak_kb=$( { /usr/bin/time -f %M "$vantri" hide >/dev/null; } 2>&1)
floor_peak_kb=$( { /usr/bin/time -f %M "$plain_client" "$socket" hide >/dev/null; } 2>&1)
"$vantri" quit

median() { # median MICROSECONDS...: in ms
    sort -n <<<"$(printf '%s\n' "$@")" | awk '
        { v[NR] = $1 / 1000 }
        END { printf "%.2f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
summary() { # summary LABEL MICROSECONDS...: median, 90th percentile, min and max in ms
    local label=$1
    shift
    sort -n <<<"$(printf '%s\n' "$@")" | awk -v label="$label" '
        { v[NR] = $1 / 1000 }
        END {
            p90 = int(NR * 0.9 + 0.5); if (p90 < 1) p90 = 1; if (p90 > NR) p90 = NR
            median = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%-50s median %6.1f ms  p90 %6.1f ms  min %6.1f ms  max %6.1f ms\n",
                label, median, v[p90], v[1], v[NR]
        }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "toggle, $runs runs of each client interleaved, Vantri running (Xvfb${DISPLAY:+ $DISPLAY}, $(command -v openbox >/dev/null && echo openbox || echo no window manager)):"
summary "  vantri toggle: start -> panel visible" "${visible[@]}"
summary "  plain C client (floor): start -> panel visible" "${floor_visible[@]}"
summary "  vantri toggle: start -> command returned" "${returned[@]}"
summary "  plain C client (floor): start -> command returned" "${floor_returned[@]}"
printf '%-50s %s (target <= 1.3)\n' "  ratio of medians, panel visible" \
    "$(ratio "$(median "${visible[@]}")" "$(median "${floor_visible[@]}")")"
printf '%-50s %s\n' "  ratio of medians, command returned" \
    "$(ratio "$(median "${returned[@]}")" "$(median "${floor_returned[@]}")")"
printf '%-50s %6.2f MB (target < 3 MB; floor %.2f MB)\n' "  vantri hide: peak resident memory" \
    "$(awk -v k="$peak_kb" 'BEGIN { print k / 1024 }')" "$(awk -v k="$floor_peak_kb" 'BEGIN { print k / 1024 }')"
printf '%-44s %6.1f ms\n' "vantri toggle with no Vantri -> panel viewable" \
    "$(awk -v d="$cold_microseconds" 'BEGIN { print d / 1000 }')"
