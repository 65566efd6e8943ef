// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/settings/ShortcutSelectorView.h"

#include "state/AppState.h"
#include "text/TextMatching.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int maximumModifiers = 2;
constexpr int keyColumns = 7;
const QSize keyCapSize(50, 30);
const QSize actionButtonSize(60, 40);

QStringList splitIntoCharacters(const QString& text) {
    QStringList characters;
    for (const QChar character : text)
        characters.append(QString(character));
    return characters;
}

QLabel* makeHeading(const QString& text) {
    auto* heading = new QLabel(text);
    heading->setProperty("role", "headline");
    heading->setAlignment(Qt::AlignCenter);
    return heading;
}

QPushButton* makeActionButton(const QString& text, const char* action) {
    auto* button = new QPushButton(text);
    button->setProperty("action", action);
    button->setFixedSize(actionButtonSize);
    button->setAutoDefault(false);
    return button;
}

} // namespace

const QStringList ShortcutSelectorView::modifiers = {QStringLiteral("⇧"), QStringLiteral("⌃"),
                                                     QStringLiteral("⌥"), QStringLiteral("⌘")};

// Every key symbol is one UTF-16 unit, so splitting by QChar splits by character.
const QStringList ShortcutSelectorView::keys =
    splitIntoCharacters(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ␣"));

ShortcutSelectorView::ShortcutSelectorView(AppState& appState, QWidget* parent)
    : SheetDialog(parent)
    , _appState(appState) {
    setWindowTitle(tr("Launcher Hotkey"));
    setAccessibleName(tr("Launcher Hotkey"));
    setAccessibleDescription(tr("Press the new combination"));

    auto* layout = new QVBoxLayout(card());
    layout->setContentsMargins(30, 30, 30, 30);
    layout->setSpacing(20);

    layout->addWidget(makeHeading(tr("Please select up to two modifier keys")));
    auto* modifierRow = new QHBoxLayout;
    modifierRow->setSpacing(10);
    for (const QString& modifier : modifiers) {
        QPushButton* button = addKeyCap(modifier);
        connect(button, &QPushButton::clicked, this,
                [this, modifier] { toggleModifier(modifier); });
        modifierRow->addWidget(button);
        _modifierButtons.append(button);
    }
    layout->addLayout(modifierRow);
    layout->setAlignment(modifierRow, Qt::AlignHCenter);

    layout->addWidget(makeHeading(tr("Please select one regular key")));
    auto* keyGrid = new QGridLayout;
    keyGrid->setSpacing(10);
    for (int index = 0; index < keys.size(); ++index) {
        const QString key = keys[index];
        QPushButton* button = addKeyCap(key);
        connect(button, &QPushButton::clicked, this, [this, key] { selectKey(key); });
        keyGrid->addWidget(button, index / keyColumns, index % keyColumns);
        _keyButtons.append(button);
    }
    layout->addLayout(keyGrid);
    layout->setAlignment(keyGrid, Qt::AlignHCenter);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(20);
    QPushButton* cancelButton = makeActionButton(tr("Cancel"), "cancel");
    _setButton = makeActionButton(tr("Set"), "confirm");
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(_setButton, &QPushButton::clicked, this, &ShortcutSelectorView::set);
    buttonRow->addWidget(cancelButton);
    buttonRow->addWidget(_setButton);
    layout->addLayout(buttonRow);
    layout->setAlignment(buttonRow, Qt::AlignHCenter);

    showSelection();
    ensurePolished();
    setFixedSize(600, sizeHint().height());
}

void ShortcutSelectorView::toggleModifier(const QString& modifier) {
    if (_selectedModifiers.contains(modifier))
        _selectedModifiers.remove(modifier);
    else if (_selectedModifiers.size() < maximumModifiers)
        _selectedModifiers.insert(modifier);
    showSelection();
}

void ShortcutSelectorView::selectKey(const QString& key) {
    _selectedKey = key;
    showSelection();
}

bool ShortcutSelectorView::canSet() const {
    return !_selectedModifiers.isEmpty() && _selectedKey.has_value();
}

QString ShortcutSelectorView::composeShortcut() const {
    QStringList ordered(_selectedModifiers.cbegin(), _selectedModifiers.cend());
    std::sort(ordered.begin(), ordered.end(),
              [](const QString& a, const QString& b) { return TextMatching::codePointLess(a, b); });
    return ordered.join(QString()) + _selectedKey.value_or(QString());
}

// The sheet closes either way: a combination that cannot be had is reported
// in the settings panel, beside the button that opens a new chooser.
void ShortcutSelectorView::set() {
    _appState.chooseShortcut(composeShortcut());
    accept();
}

QString ShortcutSelectorView::spokenSymbol(const QString& symbol) {
    static const QStringList spokenModifiers = {tr("Shift"), tr("Control"), tr("Option"),
                                                tr("Command")};
    if (const qsizetype modifier = modifiers.indexOf(symbol); modifier >= 0)
        return spokenModifiers[modifier];
    return symbol == keys.last() ? tr("Space") : symbol;
}

QString ShortcutSelectorView::spokenShortcut(const QString& shortcut) {
    QStringList words;
    for (const QChar symbol : shortcut)
        words.append(spokenSymbol(QString(symbol)));
    return words.join(u' ');
}

QPushButton* ShortcutSelectorView::addKeyCap(const QString& symbol) {
    auto* button = new QPushButton(symbol);
    button->setAccessibleName(spokenSymbol(symbol));
    button->setProperty("keyCap", true);
    // The button shows the chooser's selection, which clicks change through the
    // rules above rather than by toggling on their own.
    button->setCheckable(true);
    button->setFixedSize(keyCapSize);
    button->setAutoDefault(false);
    return button;
}

void ShortcutSelectorView::showSelection() {
    for (QPushButton* button : std::as_const(_modifierButtons))
        button->setChecked(_selectedModifiers.contains(button->text()));
    for (QPushButton* button : std::as_const(_keyButtons))
        button->setChecked(_selectedKey == button->text());
    _setButton->setEnabled(canSet());
}
