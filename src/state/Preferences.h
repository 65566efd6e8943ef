// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

// Opens the per-user preferences store ($XDG_CONFIG_HOME/Vantri/Vantri.conf).
// Every instance in the process shares one cache, so a value written through
// one is seen by the next read through another.
std::unique_ptr<QSettings> openPreferences();

// Stores one preference and writes the store out at once. When the file
// cannot be written, prints one line "Failed to save preferences: " and the
// reason on standard output and goes on: the value still holds in this
// process until it ends.
void writePreference(const QString& key, const QVariant& value);
