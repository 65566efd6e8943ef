// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ui/settings/ShortcutSelectorView.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class AppState;
struct HotKeyPlace;
class MoreInfoView;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The settings panel: the header that opens the support sheet, the three tabs
// (launcher hotkey, applications, scripts folder) and the launch-at-login box.
// It keeps nothing of its own: every change goes to the AppState or to the
// session's autostart entry.
class Settings : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder; an empty result means no folder was chosen.
    using FolderChooser = std::function<QString(QWidget* parent)>;

    static const QSize panelSize;

    explicit Settings(AppState& appState, QWidget* parent = nullptr,
                      FolderChooser chooseFolder = chooseFolderWithDialog);

    int selectedTab() const;
    bool isLaunchAtLoginChecked() const;

    // The open sheets, or null.
    ShortcutSelectorView* shortcutPopup() const;
    MoreInfoView* moreInfo() const;

    void showShortcutPopup();
    void showMoreInfo();

    static QString chooseFolderWithDialog(QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeTabs();
    QWidget* makeHotkeyTab();
    QWidget* makeApplicationsTab();
    QWidget* makeScriptsFolderTab();
    QLayout* makeBottomRow();

    // Selects the tab `step` places on, wrapping around.
    void showNeighbouringTab(int step);
    void showSavedShortcut(const QString& shortcut);
    void showHotKeyProblem(const QString& problem);
    void showHotKeyPlace(const HotKeyPlace& place);
    void showIndexing(bool isIndexing);
    void browseForScriptFolder();
    void readLaunchAtLogin();

    AppState& _appState;
    FolderChooser _chooseFolder;

    QButtonGroup* _tabButtons = nullptr;
    QStackedWidget* _tabPages = nullptr;
    QPushButton* _hotkeyButton = nullptr;
    QLabel* _hotKeyProblem = nullptr;
    QLabel* _hotKeyPlace = nullptr;
    QPushButton* _copyBindingLine = nullptr;
    QPushButton* _indexButton = nullptr;
    QLineEdit* _scriptFolderField = nullptr;
    QCheckBox* _launchAtLogin = nullptr;
    QPointer<ShortcutSelectorView> _shortcutPopup;
    QPointer<MoreInfoView> _moreInfo;
};
