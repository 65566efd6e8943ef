#!/bin/bash
# SPDX-FileCopyrightText: 2026 The Vantri developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Listed under "hello vantri"; running it runs hello with the argument "Vantri".
exec "$(dirname "$0")/hello.sh" Vantri
