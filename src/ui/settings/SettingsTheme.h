#pragma once

class QWidget;

// The dark, rounded look that the settings window and its sheets share with
// the launcher panel.
namespace SettingsTheme {

// Gives `window` and everything in it the settings look.
void apply(QWidget* window);

} // namespace SettingsTheme
