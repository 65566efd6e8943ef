#!/bin/bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

df -h "$HOME" | awk 'NR == 2 { print $4 " free on " $6 }'
