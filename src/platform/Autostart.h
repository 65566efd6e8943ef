#pragma once

#include <QString>

// The freedesktop autostart entry that has the session start Vantri at login.
namespace Autostart {

// $XDG_CONFIG_HOME/autostart/vantri.desktop
QString entryPath();

// True exactly when the entry exists, reads as a desktop entry and is not Hidden.
bool isEnabled(const QString& entryPath);

// Writes an entry that starts `programPath`, replacing any entry at that path.
// Returns false when the entry cannot be written.
bool enable(const QString& entryPath, const QString& programPath);

// Removes the entry. Returns false when it exists and cannot be removed.
bool disable(const QString& entryPath);

} // namespace Autostart
