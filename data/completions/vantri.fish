# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# fish completion for vantri

set -l commands toggle show hide settings quit
complete -c vantri -f
complete -c vantri -s h -l help -d 'Show the usage'
complete -c vantri -s v -l version -d 'Show the version'
complete -c vantri -n "not __fish_seen_subcommand_from $commands" -a toggle -d 'Show the launcher panel, or hide it when it is shown'
complete -c vantri -n "not __fish_seen_subcommand_from $commands" -a show -d 'Show the launcher panel'
complete -c vantri -n "not __fish_seen_subcommand_from $commands" -a hide -d 'Hide the launcher panel'
complete -c vantri -n "not __fish_seen_subcommand_from $commands" -a settings -d 'Open Settings'
complete -c vantri -n "not __fish_seen_subcommand_from $commands" -a quit -d 'End Vantri'
