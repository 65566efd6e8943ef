// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/settings/Settings.h"

#include "index/AppIndexManager.h"
#include "product/ProductInfo.h"
#include "state/AppState.h"
#include "state/LaunchAtLogin.h"
#include "ui/settings/MoreInfoView.h"
#include "ui/settings/SettingsHeader.h"
#include "ui/settings/SettingsTheme.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int padding = 16;
constexpr int sectionSpacing = 20;
constexpr int tabButtonHeight = 30;

QPushButton* makeTabButton(const QString& objectName) {
    auto* button = new QPushButton;
    button->setObjectName(objectName);
    button->setMinimumWidth(100);
    button->setFixedHeight(tabButtonHeight);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

// A wrapped line of text styled by its role ("problem", "caption").
QLabel* makeMessageLabel(const QString& objectName, const char* role) {
    auto* label = new QLabel;
    label->setObjectName(objectName);
    label->setProperty("role", role);
    label->setWordWrap(true);
    return label;
}

QWidget* makeButtonPage(QPushButton* button, QWidget* below = nullptr) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(button);
    if (below)
        layout->addWidget(below);
    layout->addStretch();
    return page;
}

} // namespace

const QSize Settings::panelSize(450, 280);

Settings::Settings(AppState& appState, QWidget* parent, FolderChooser chooseFolder)
    : QWidget(parent)
    , _appState(appState)
    , _chooseFolder(std::move(chooseFolder)) {
    SettingsTheme::apply(this);
    setFixedSize(panelSize);

    auto* header = new SettingsHeader;
    header->setObjectName(QStringLiteral("header"));
    connect(header, &SettingsHeader::clicked, this, &Settings::showMoreInfo);

    // Ctrl+Tab and Ctrl+Shift+Tab go through the tabs from anywhere in the
    // panel, as in any tabbed window; Tab itself goes through the controls.
    const auto addTabShortcut = [this](const QKeySequence& keys, int step) {
        connect(new QShortcut(keys, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut),
                &QShortcut::activated, this, [this, step] { showNeighbouringTab(step); });
    };
    addTabShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    addTabShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    addTabShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(sectionSpacing);
    // The content sits in the middle of the fixed frame, its parts 20 apart.
    layout->addStretch();
    layout->addWidget(header);
    layout->addWidget(makeTabs());
    layout->addLayout(makeBottomRow());
    layout->addStretch();

    connect(&_appState, &AppState::savedShortcutChanged, this, &Settings::showSavedShortcut);
    connect(&_appState, &AppState::hotKeyProblemChanged, this, &Settings::showHotKeyProblem);
    connect(&_appState, &AppState::hotKeyPlaceChanged, this, &Settings::showHotKeyPlace);
    connect(&_appState, &AppState::isIndexingChanged, this, &Settings::showIndexing);
    connect(&_appState, &AppState::scriptFolderPathChanged, _scriptFolderField,
            &QLineEdit::setText);
    showSavedShortcut(_appState.savedShortcut());
    showHotKeyProblem(_appState.hotKeyProblem());
    showHotKeyPlace(_appState.hotKeyPlace());
    showIndexing(_appState.isIndexing());
    _scriptFolderField->setText(_appState.scriptFolderPath());
}

int Settings::selectedTab() const {
    return _tabButtons->checkedId();
}

bool Settings::isLaunchAtLoginChecked() const {
    return _launchAtLogin->isChecked();
}

void Settings::showNeighbouringTab(int step) {
    const int count = static_cast<int>(_tabButtons->buttons().size());
    QAbstractButton* tab = _tabButtons->button((selectedTab() + step + count) % count);
    // Clicked, as a user would, so the page follows; and focused, so that a
    // screen reader says which tab it is.
    tab->click();
    tab->setFocus(Qt::TabFocusReason);
}

ShortcutSelectorView* Settings::shortcutPopup() const {
    return _shortcutPopup && _shortcutPopup->isVisible() ? _shortcutPopup.data() : nullptr;
}

MoreInfoView* Settings::moreInfo() const {
    return _moreInfo && _moreInfo->isVisible() ? _moreInfo.data() : nullptr;
}

// A fresh chooser every time, so that nothing of an earlier choice survives.
void Settings::showShortcutPopup() {
    if (shortcutPopup())
        return;
    _shortcutPopup = new ShortcutSelectorView(_appState, this);
    _shortcutPopup->setAttribute(Qt::WA_DeleteOnClose);
    _shortcutPopup->open();
}

void Settings::showMoreInfo() {
    if (moreInfo())
        return;
    _moreInfo = new MoreInfoView(this);
    _moreInfo->setAttribute(Qt::WA_DeleteOnClose);
    _moreInfo->open();
}

QString Settings::chooseFolderWithDialog(QWidget* parent) {
    return QFileDialog::getExistingDirectory(parent);
}

// Each time the panel comes on screen the box shows the entry's real state,
// which also undoes a tick that the session refused.
void Settings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    readLaunchAtLogin();
}

// A sheet belongs to the window: closing the window cancels it rather than
// leaving it floating on its own.
void Settings::closeEvent(QCloseEvent* event) {
    if (_shortcutPopup)
        _shortcutPopup->reject();
    if (_moreInfo)
        _moreInfo->reject();
    QWidget::closeEvent(event);
}

QWidget* Settings::makeTabs() {
    auto* tabs = new QWidget;
    auto* layout = new QVBoxLayout(tabs);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(sectionSpacing);

    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    _tabButtons = new QButtonGroup(this);
    const QStringList titles = {tr("Launcher Hotkey"), tr("Applications"), tr("Scripts Folder")};
    for (int index = 0; index < titles.size(); ++index) {
        auto* segment = new QPushButton(titles[index]);
        segment->setCheckable(true);
        segment->setProperty("segment", index == 0                   ? "first"
                                        : index == titles.size() - 1 ? "last"
                                                                     : "middle");
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        _tabButtons->addButton(segment, index);
        segments->addWidget(segment);
    }
    layout->addLayout(segments);

    auto* box = new QGroupBox;
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(padding, padding, padding, padding);
    _tabPages = new QStackedWidget;
    _tabPages->addWidget(makeHotkeyTab());
    _tabPages->addWidget(makeApplicationsTab());
    _tabPages->addWidget(makeScriptsFolderTab());
    boxLayout->addWidget(_tabPages);
    layout->addWidget(box);

    connect(_tabButtons, &QButtonGroup::idClicked, _tabPages, &QStackedWidget::setCurrentIndex);
    _tabButtons->button(0)->setChecked(true);
    return tabs;
}

QWidget* Settings::makeHotkeyTab() {
    _hotkeyButton = makeTabButton(QStringLiteral("hotkeyButton"));
    // It shows the combination in symbols; its name says what it is for.
    _hotkeyButton->setAccessibleName(tr("Launcher hotkey"));
    connect(_hotkeyButton, &QPushButton::clicked, this, &Settings::showShortcutPopup);
    _hotKeyProblem = makeMessageLabel(QStringLiteral("hotKeyProblem"), "problem");

    // Where the key lives, or the line the user adds to the desktop's
    // configuration, with a button that copies it.
    auto* place = new QWidget;
    auto* placeLayout = new QVBoxLayout(place);
    placeLayout->setContentsMargins(0, 0, 0, 0);
    placeLayout->setSpacing(6);
    _hotKeyPlace = makeMessageLabel(QStringLiteral("hotKeyPlace"), "caption");
    _hotKeyPlace->setTextInteractionFlags(Qt::TextSelectableByMouse);
    placeLayout->addWidget(_hotKeyPlace);
    _copyBindingLine = new QPushButton(tr("Copy"));
    _copyBindingLine->setObjectName(QStringLiteral("copyBindingLine"));
    connect(_copyBindingLine, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(_appState.hotKeyPlace().bindingLine); });
    placeLayout->addWidget(_copyBindingLine, 0, Qt::AlignLeft);

    QWidget* page = makeButtonPage(_hotkeyButton, _hotKeyProblem);
    static_cast<QVBoxLayout*>(page->layout())->insertWidget(2, place);
    return page;
}

QWidget* Settings::makeApplicationsTab() {
    _indexButton = makeTabButton(QStringLiteral("indexButton"));
    connect(_indexButton, &QPushButton::clicked, this,
            [this] { _appState.appIndexManager().indexApps(); });
    return makeButtonPage(_indexButton);
}

QWidget* Settings::makeScriptsFolderTab() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    _scriptFolderField = new QLineEdit;
    _scriptFolderField->setObjectName(QStringLiteral("scriptFolderField"));
    _scriptFolderField->setPlaceholderText(tr("Select command scripts folder"));
    // The path is only ever set through "Browse"; it stays selectable for copying.
    _scriptFolderField->setReadOnly(true);
    _scriptFolderField->setAccessibleName(tr("Scripts folder"));
    _scriptFolderField->setFixedHeight(tabButtonHeight);
    layout->addWidget(_scriptFolderField, 1);

    auto* browse = new QPushButton(tr("Browse"));
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setAccessibleName(tr("Browse for the scripts folder"));
    browse->setFixedSize(80, tabButtonHeight);
    connect(browse, &QPushButton::clicked, this, &Settings::browseForScriptFolder);
    layout->addWidget(browse);
    layout->setAlignment(Qt::AlignTop);
    return page;
}

QLayout* Settings::makeBottomRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(padding, 0, padding, 0);
    _launchAtLogin = new QCheckBox(tr("Launch Vantri at login"));
    _launchAtLogin->setObjectName(QStringLiteral("launchAtLoginCheckBox"));
    connect(_launchAtLogin, &QCheckBox::toggled, this,
            [](bool checked) { setLaunchAtLogin(checked); });
    row->addWidget(_launchAtLogin);
    row->addStretch();
    auto* notice = new QLabel(tr("© %1 · %2").arg(ProductInfo::developer, ProductInfo::licence));
    notice->setToolTip(tr("Free software under the GNU General Public License, version 3 or "
                          "later. There is no warranty."));
    notice->setObjectName(QStringLiteral("ownershipNotice"));
    notice->setProperty("role", "caption");
    notice->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(notice);
    return row;
}

void Settings::showSavedShortcut(const QString& shortcut) {
    // The combination in force as this desktop names keys, once it is known
    // to be the saved one; the stored symbols until then.
    const QString keys = _appState.hotKeyPlace().keys;
    _hotkeyButton->setText(shortcut.isEmpty() ? tr("Set Launcher Hotkey")
                           : keys.isEmpty()   ? shortcut
                                              : keys);
    _hotkeyButton->setAccessibleDescription(
        shortcut.isEmpty() ? tr("None set") : ShortcutSelectorView::spokenShortcut(shortcut));
}

void Settings::showHotKeyPlace(const HotKeyPlace& place) {
    using Route = HotKeyPlace::Route;
    QString where;
    switch (place.route) {
    case Route::none:
        break;
    case Route::x11Grab:
        where = tr("Grabbed on the X server");
        break;
    case Route::kdeShortcuts:
        where = tr("Registered with KDE's shortcuts");
        break;
    case Route::gnomeShortcuts:
        where = tr("Added to GNOME's keyboard shortcuts");
        break;
    case Route::swayConfig:
        where = place.bindingLine;
        break;
    case Route::desktopSettings:
        where = tr("Bind %1 to this command in the desktop's keyboard settings: %2")
                    .arg(place.keys, place.bindingLine);
        break;
    }
    _hotKeyPlace->setText(where);
    _hotKeyPlace->setVisible(!where.isEmpty());
    _copyBindingLine->setVisible(!place.bindingLine.isEmpty());
    showSavedShortcut(_appState.savedShortcut());
}

void Settings::showHotKeyProblem(const QString& problem) {
    _hotKeyProblem->setText(problem);
    _hotKeyProblem->setVisible(!problem.isEmpty());
}

void Settings::showIndexing(bool isIndexing) {
    _indexButton->setText(isIndexing ? tr("Indexing...") : tr("Index Applications"));
    _indexButton->setEnabled(!isIndexing);
}

void Settings::browseForScriptFolder() {
    const QString folder = _chooseFolder(this);
    if (!folder.isEmpty())
        _appState.setScriptFolderPath(folder);
}

// Reading the state is not a change by the user: it must never write the entry,
// or showing the panel could remove an entry the user hid on purpose.
void Settings::readLaunchAtLogin() {
    const QSignalBlocker blocker(_launchAtLogin);
    _launchAtLogin->setChecked(launchAtLoginEnabled());
}
