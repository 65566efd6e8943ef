// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the settings window, each of its tabs, the hotkey chooser and the
// support sheet to PNG files, for reviewing the look:
//   settings_screenshots OUTPUT_FOLDER
// Runs on any platform plugin (offscreen included). The state it shows lives
// in a temporary folder, so no user file is read or written.
#include "index/AppIndexManager.h"
#include "state/AppState.h"
#include "state/LaunchAtLogin.h"
#include "ui/settings/MoreInfoView.h"
#include "ui/settings/Settings.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

bool save(QWidget& widget, const QDir& folder, const QString& name) {
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path))
        return false;
    QTextStream(stdout) << path << Qt::endl;
    return true;
}

void click(QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text)
            button->click();
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    QApplication application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: settings_screenshots OUTPUT_FOLDER" << Qt::endl;
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!home.isValid() || !folder.mkpath(QStringLiteral(".")))
        return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.filePath(QStringLiteral("config")));

    AppState appState(std::make_unique<AppIndexManager>(
        QStringList{home.path()}, home.filePath(QStringLiteral("appIndex.json"))));
    Settings settings(appState, nullptr, [](QWidget*) { return QString(); });
    settings.setWindowTitle(QStringLiteral("Settings"));
    settings.show();

    bool saved = save(settings, folder, QStringLiteral("settings-hotkey-empty"));
    appState.setSavedShortcut(QStringLiteral("⌘⌥K"));
    setLaunchAtLogin(true);
    settings.hide();
    settings.show();
    saved &= save(settings, folder, QStringLiteral("settings-hotkey"));
    appState.setHotKeyProblem(QStringLiteral("⌃⌥K is used by another program — choose another"));
    saved &= save(settings, folder, QStringLiteral("settings-hotkey-refused"));
    appState.setHotKeyProblem(QString());
    click(settings, QStringLiteral("Applications"));
    saved &= save(settings, folder, QStringLiteral("settings-applications"));
    click(settings, QStringLiteral("Scripts Folder"));
    saved &= save(settings, folder, QStringLiteral("settings-scripts-empty"));
    appState.setScriptFolderPath(home.filePath(QStringLiteral("My Scripts")));
    saved &= save(settings, folder, QStringLiteral("settings-scripts"));

    ShortcutSelectorView chooser(appState, &settings);
    chooser.show();
    saved &= save(chooser, folder, QStringLiteral("chooser-empty"));
    chooser.toggleModifier(QStringLiteral("⌘"));
    chooser.toggleModifier(QStringLiteral("⌥"));
    chooser.selectKey(QStringLiteral("K"));
    saved &= save(chooser, folder, QStringLiteral("chooser-chosen"));
    chooser.hide();

    MoreInfoView support(&settings);
    support.show();
    saved &= save(support, folder, QStringLiteral("support-sheet"));
    return saved ? 0 : 1;
}
