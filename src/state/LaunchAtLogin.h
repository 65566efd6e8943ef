#pragma once

// Whether Vantri starts when the user logs in. The session keeps the
// registration (the autostart entry); Vantri stores no preference for it.

// True exactly when the autostart entry is in force.
bool launchAtLoginEnabled();

// Registers (true) or unregisters (false) the start at login. Failures are
// dropped: the settings panel shows the real state the next time it appears.
// Registering while an entry is already in force keeps that entry as it is, so
// that confirming the state never overwrites an entry the user has edited.
void setLaunchAtLogin(bool enabled);
