#pragma once

// Whether Vantri may listen for its global hotkey. In an X11 session the key
// grab needs no permission; elsewhere (a Wayland session, no display) an X11
// grab is not global, so the process does not count as trusted.
bool isProcessTrusted();

// Opens the desktop's accessibility settings, if one of the known settings
// applications is installed; false otherwise.
bool openAccessibilitySettings();
