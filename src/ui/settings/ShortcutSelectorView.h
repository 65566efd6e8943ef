// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/settings/SheetDialog.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class AppState;
class QPushButton;

// The hotkey chooser: up to two modifiers and one key, picked from fixed
// lists, composed into the shortcut string and handed to AppState, which has
// it put in force and saved. It never reads the saved shortcut: every chooser
// starts with nothing chosen.
class ShortcutSelectorView : public SheetDialog {
    Q_OBJECT

public:
    // The modifier symbols in display order: Shift, Control, Option, Command.
    static const QStringList modifiers;
    // "A" to "Z", then "␣" for the space bar.
    static const QStringList keys;

    ShortcutSelectorView(AppState& appState, QWidget* parent);

    // What a screen reader says of a symbol ("Control" for "⌃", "Space" for
    // "␣"); a letter stays itself.
    static QString spokenSymbol(const QString& symbol);
    // A shortcut string read out: "Control Option Space".
    static QString spokenShortcut(const QString& shortcut);

    // Adds or removes a modifier; a third one is refused.
    void toggleModifier(const QString& modifier);
    // Makes `key` the chosen key, replacing any earlier one.
    void selectKey(const QString& key);
    bool canSet() const;
    // The chosen modifiers in code point order (⇧⌃⌘⌥), then the key.
    QString composeShortcut() const;

    QSet<QString> selectedModifiers() const { return _selectedModifiers; }
    std::optional<QString> selectedKey() const { return _selectedKey; }

private:
    void set();
    QPushButton* addKeyCap(const QString& symbol);
    void showSelection();

    AppState& _appState;
    QSet<QString> _selectedModifiers;
    std::optional<QString> _selectedKey;
    QList<QPushButton*> _modifierButtons;
    QList<QPushButton*> _keyButtons;
    QPushButton* _setButton = nullptr;
};
