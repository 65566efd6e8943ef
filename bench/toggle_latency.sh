#!/usr/bin/env bash
# Measures how long the panel takes to appear after `vantri toggle`: from the
# start of the command to the X server reporting the panel window visible
# (VisibilityNotify), with Vantri already running. Runs its own Xvfb and window
# manager and a Vantri with a private home and runtime folder, so it neither
# needs nor touches a desktop session.
#
# usage: bench/toggle_latency.sh [runs]        (default 30)
# VANTRI_BINARY chooses the program (default: build/src/vantri).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
vantri=${VANTRI_BINARY:-$root/build/src/vantri}
runs=${1:-30}
for tool in Xvfb xev xprop xdotool "$vantri"; do
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

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -u "$displayfd" display
export DISPLAY=:$display
if command -v openbox >/dev/null; then
    XDG_DATA_DIRS=$system_data_dirs openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    # A window mapped while openbox is still starting may be taken over and
    # dropped again: wait until it has announced itself on the root window.
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        kill -0 "${pids[-1]}" 2>/dev/null || { echo "openbox did not start" >&2; exit 1; }
        sleep 0.05
    done
fi

now() { echo "${EPOCHREALTIME/./}"; } # microseconds

# The first toggle starts Vantri (this process stays as the instance) and shows the panel.
cold_start=$(now)
"$vantri" toggle &
instance=$!
pids+=("$instance")
panel=
until [ -n "$panel" ]; do
    if (($(now) - cold_start > 30000000)); then
        echo "the panel did not appear after the first vantri toggle" >&2
        exit 1
    fi
    panel=$(xdotool search --onlyvisible --pid "$instance" 2>/dev/null | head -n 1) || true
done
cold_visible=$(now)

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

await() { # await KIND: prints the time of the next event of that kind
    local stamp kind
    while read -r -t 10 stamp kind <&"${EVENTS[0]}"; do
        [ "$kind" = "$1" ] && { echo "$stamp"; return; }
    done
    echo "no '$1' event from the panel" >&2
    exit 1
}

# xev announces itself with the panel already shown: hide it to begin.
"$vantri" hide
await hidden >/dev/null

visible=() returned=()
for ((i = 0; i < runs; i++)); do
    start=$(now)
    "$vantri" toggle
    end=$(now)
    shown=$(await visible)
    visible+=($((shown - start)))
    returned+=($((end - start)))
    "$vantri" toggle
    await hidden >/dev/null
done
"$vantri" quit

summary() { # summary LABEL MICROSECONDS...: median, 90th percentile, min and max in ms
    local label=$1
    shift
    sort -n <<<"$(printf '%s\n' "$@")" | awk -v label="$label" '
        { v[NR] = $1 / 1000 }
        END {
            p90 = int(NR * 0.9 + 0.5); if (p90 < 1) p90 = 1; if (p90 > NR) p90 = NR
            median = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%-44s median %6.1f ms  p90 %6.1f ms  min %6.1f ms  max %6.1f ms\n",
                label, median, v[p90], v[1], v[NR]
        }'
}

echo "vantri toggle, $runs runs, Vantri running (Xvfb${DISPLAY:+ $DISPLAY}, $(command -v openbox >/dev/null && echo openbox || echo no window manager)):"
summary "  command start -> panel visible" "${visible[@]}"
summary "  command start -> command returned" "${returned[@]}"
printf '%-44s %6.1f ms\n' "vantri toggle with no Vantri -> panel visible" \
    "$(awk -v d=$((cold_visible - cold_start)) 'BEGIN { print d / 1000 }')"
