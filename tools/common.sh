# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Shared set-up for tools/run and tools/test: installs the Debian packages
# Vantri needs when any is missing, then configures and builds a tree.
# shellcheck shell=bash

VANTRI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

vantri_missing_packages() {
    local pkg missing=()
    while read -r pkg; do
        [ -n "$pkg" ] || continue
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done <"$VANTRI_ROOT/tools/packages.txt"
    printf '%s\n' "${missing[@]}"
}

vantri_install_packages() {
    local missing
    missing=$(vantri_missing_packages)
    [ -n "$missing" ] || return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || {
            echo "These packages are missing and neither root nor sudo is available:" >&2
            echo "$missing" >&2
            return 1
        }
        sudo=(sudo)
    fi
    echo "Installing: $(echo "$missing" | tr '\n' ' ')"
    "${sudo[@]}" apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends $missing
}

# vantri_build BUILD_DIR [extra cmake arguments...]
vantri_build() {
    local dir=$1
    shift
    cmake -S "$VANTRI_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
        cmake --build "$dir" --parallel "$(nproc)"
}
