// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

namespace ApplicationDirectories {

// The folders searched for applications, in scan order: the seven bundle
// folders, then the freedesktop application folders from lowest to highest
// precedence, so that a later folder's entry wins a name they share.
QStringList defaultDirectories();

// Where the index is kept: <user data folder>/Vantri/appIndex.json. Empty when
// the system names no data folder for the user.
QString defaultIndexFilePath();

} // namespace ApplicationDirectories
