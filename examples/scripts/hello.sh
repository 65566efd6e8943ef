#!/bin/bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

echo "Hello, ${*:-World}!"
