#pragma once

#include "ui/SheetDialog.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AppState;
class QPushButton;

// The hotkey chooser: up to two modifiers and one key, picked from fixed
// lists, composed into the shortcut string, saved and registered at once.
// It never reads the saved shortcut: every chooser starts with nothing chosen.
class ShortcutSelectorView : public SheetDialog {
    Q_OBJECT

public:
    // Re-registers the global hotkey from the saved shortcut.
    using RegisterHotKey = std::function<void()>;

    // The modifier symbols in display order: Shift, Control, Option, Command.
    static const QStringList modifiers;
    // "A" to "Z", then "␣" for the space bar.
    static const QStringList keys;

    ShortcutSelectorView(AppState& appState, QWidget* parent,
                         RegisterHotKey registerHotKey = registerWithAppDelegate);

    // Adds or removes a modifier; a third one is refused.
    void toggleModifier(const QString& modifier);
    // Makes `key` the chosen key, replacing any earlier one.
    void selectKey(const QString& key);
    bool canSet() const;
    // The chosen modifiers in code point order (⇧⌃⌘⌥), then the key.
    QString composeShortcut() const;

    QSet<QString> selectedModifiers() const { return _selectedModifiers; }
    std::optional<QString> selectedKey() const { return _selectedKey; }

    static void registerWithAppDelegate();

private:
    void set();
    QPushButton* addKeyCap(const QString& symbol);
    void showSelection();

    AppState& _appState;
    RegisterHotKey _registerHotKey;
    QSet<QString> _selectedModifiers;
    std::optional<QString> _selectedKey;
    QList<QPushButton*> _modifierButtons;
    QList<QPushButton*> _keyButtons;
    QPushButton* _setButton = nullptr;
};
