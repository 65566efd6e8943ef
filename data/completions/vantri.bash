# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# bash completion for vantri                               -*- shell-script -*-

_vantri() {
    COMPREPLY=()
    local cur=${COMP_WORDS[COMP_CWORD]}
    # One command at most, and no option takes a value.
    local word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
        toggle | show | hide | settings | quit | -h | --help | '-?' | -v | --version)
            return
            ;;
        esac
    done
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -W 'toggle show hide settings quit' -- "$cur")
    fi
}
complete -F _vantri vantri
