// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/settings/SettingsTheme.h"

#include <QColor>
#include <QPalette>
#include <QRegularExpression>
#include <QWidget>

namespace {

// The launcher's graphite and system colours, so that the settings window
// reads as the same program.
struct Colour {
    const char* name;
    QColor value;
};
const Colour background{"background", QColor(36, 36, 42)};
const Colour surface{"surface", QColor(46, 46, 54)};
const Colour control{"control", QColor(58, 58, 68)};
const Colour controlHover{"controlHover", QColor(68, 68, 80)};
const Colour field{"field", QColor(24, 24, 29)};
const Colour edge{"edge", QColor(72, 72, 84)};
const Colour focusEdge{"focusEdge", QColor(255, 255, 255, 120)};
const Colour text{"text", QColor(255, 255, 255, 235)};
const Colour secondaryText{"secondaryText", QColor(152, 152, 157)};
const Colour disabledText{"disabledText", QColor(98, 98, 106)};
const Colour accent{"accent", QColor(10, 132, 255)};
const Colour accentText{"accentText", QColor(64, 156, 255)};
const Colour selection{"selection", QColor(10, 132, 255, 77)};
const Colour destructive{"destructive", QColor(255, 69, 58)};

// Object properties set by the views select the special cases: the segmented
// control, key caps, the sheets' action buttons and the small gray texts.
const char* const styleSheetTemplate = R"(
QWidget { color: @text; font-size: 13px; }
QLabel { background: transparent; }
QLabel[role="title"] { font-size: 18px; font-weight: bold; }
QLabel[role="largeTitle"] { font-size: 22px; font-weight: bold; }
QLabel[role="headline"] { font-weight: bold; }
QLabel[role="caption"] { font-size: 10px; color: @secondaryText; }
QLabel[role="rowValue"] { color: @secondaryText; }
QLabel[role="problem"] { color: @destructive; }

QGroupBox { background: @surface; border: 1px solid @edge; border-radius: 10px; }

QPushButton {
    background: @control; border: 1px solid @edge; border-radius: 7px;
    padding: 4px 14px; min-height: 20px;
}
QPushButton:hover { background: @controlHover; }
QPushButton:pressed { background: @surface; }
QPushButton:focus { border-color: @focusEdge; }
QPushButton:disabled { color: @disabledText; background: @surface; }

QPushButton[segment] { border-radius: 0; border-left-width: 0; padding: 3px 10px; }
QPushButton[segment="first"] {
    border-left-width: 1px; border-top-left-radius: 7px; border-bottom-left-radius: 7px;
}
QPushButton[segment="last"] { border-top-right-radius: 7px; border-bottom-right-radius: 7px; }
QPushButton[segment]:checked { background: @accent; border-color: @accent; color: white; }

QPushButton#hotkeyButton { font-size: 16px; letter-spacing: 2px; }

QPushButton[keyCap] { font-size: 18px; padding: 0; min-height: 0; }
QPushButton[keyCap]:checked { color: @accentText; background: @selection; border-color: @accent; }
QPushButton[action] { font-size: 14px; padding: 0; }
QPushButton[action="cancel"] { color: @destructive; }
QPushButton[action="confirm"] { color: @accentText; }
QPushButton[action="confirm"]:disabled { color: @disabledText; }

QLineEdit {
    background: @field; border: 1px solid @edge; border-radius: 7px;
    padding: 4px 8px; min-height: 20px;
    selection-background-color: @accent; selection-color: white;
}
QLineEdit:read-only { color: @secondaryText; }

QCheckBox { spacing: 8px; }
QCheckBox::indicator {
    width: 16px; height: 16px; border: 1px solid @edge; border-radius: 5px; background: @field;
}
QCheckBox::indicator:focus { border-color: @focusEdge; }
QCheckBox::indicator:checked { background: @accent; border-color: @accent; image: url(:/check.png); }
)";

QString styleSheet() {
    QString sheet = QString::fromLatin1(styleSheetTemplate);
    for (const Colour& colour :
         {background, surface, control, controlHover, field, edge, focusEdge, text, secondaryText,
          disabledText, accent, accentText, selection, destructive}) {
        sheet.replace(QRegularExpression(QStringLiteral("@%1\\b").arg(QLatin1String(colour.name))),
                      colour.value.name(QColor::HexArgb));
    }
    return sheet;
}

} // namespace

namespace SettingsTheme {

void apply(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, background.value);
    palette.setColor(QPalette::Base, field.value);
    palette.setColor(QPalette::AlternateBase, surface.value);
    palette.setColor(QPalette::Button, control.value);
    palette.setColor(QPalette::WindowText, text.value);
    palette.setColor(QPalette::Text, text.value);
    palette.setColor(QPalette::ButtonText, text.value);
    palette.setColor(QPalette::PlaceholderText, secondaryText.value);
    palette.setColor(QPalette::Highlight, accent.value);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText.value);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setStyleSheet(styleSheet());
}

} // namespace SettingsTheme
