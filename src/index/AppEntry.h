// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// One indexed application as the index file stores it: the lower-cased name
// it is filed under and the absolute path of its bundle or desktop entry.
struct AppEntry {
    QString name;
    QString path;

    friend bool operator==(const AppEntry&, const AppEntry&) = default;
};
