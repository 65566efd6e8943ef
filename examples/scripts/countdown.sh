#!/bin/bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

for ((i = ${1:-3}; i > 0; i--)); do
    echo "$i..."
    sleep 1
done
echo "Lift-off!"
