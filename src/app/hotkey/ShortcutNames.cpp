// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/ShortcutNames.h"

#include "platform/x11/X11HotKeyGrab.h"

#include <QStringList>

namespace {

struct ModifierNames {
    quint32 bit;
    const char* people;
    const char* gtk;
    const char* sway;
    int qt;
};

// In the order desktops list modifiers.
constexpr ModifierNames modifierNames[] = {
    {ShortcutModifier::control, "Ctrl", "<Control>", "Ctrl", Qt::ControlModifier},
    {ShortcutModifier::option, "Alt", "<Alt>", "Mod1", Qt::AltModifier},
    {ShortcutModifier::shift, "Shift", "<Shift>", "Shift", Qt::ShiftModifier},
    {ShortcutModifier::command, "Super", "<Super>", "Mod4", Qt::MetaModifier},
};

// The key's X keysym name ("k", "space"), which GTK and sway use as well.
QString keysymName(const ParsedShortcut& shortcut) {
    const quint32 keysym = keysymForVirtualKeyCode(shortcut.keyCode);
    return keysym == ' ' ? QStringLiteral("space") : QString(QChar(keysym));
}

QString joined(const ParsedShortcut& shortcut, const char* ModifierNames::*name, const QString& key,
               const QString& separator) {
    QStringList parts;
    for (const ModifierNames& modifier : modifierNames) {
        if (shortcut.modifiers & modifier.bit)
            parts << QString::fromLatin1(modifier.*name);
    }
    parts << key;
    return parts.join(separator);
}

} // namespace

namespace ShortcutNames {

QString forPeople(const ParsedShortcut& shortcut) {
    const QString key = keysymName(shortcut);
    return joined(shortcut, &ModifierNames::people,
                  key == QLatin1String("space") ? QStringLiteral("Space") : key.toUpper(),
                  QStringLiteral("+"));
}

QString gtkAccelerator(const ParsedShortcut& shortcut) {
    return joined(shortcut, &ModifierNames::gtk, keysymName(shortcut), QString());
}

QString swayKeys(const ParsedShortcut& shortcut) {
    return joined(shortcut, &ModifierNames::sway, keysymName(shortcut), QStringLiteral("+"));
}

int qtKeyCombination(const ParsedShortcut& shortcut) {
    // Qt's letter keys are the upper-case letters' code points, the space bar the space's.
    const quint32 keysym = keysymForVirtualKeyCode(shortcut.keyCode);
    int combination = keysym == ' ' ? int(Qt::Key_Space) : int(Qt::Key_A) + int(keysym - 'a');
    for (const ModifierNames& modifier : modifierNames) {
        if (shortcut.modifiers & modifier.bit)
            combination |= modifier.qt;
    }
    return combination;
}

} // namespace ShortcutNames
