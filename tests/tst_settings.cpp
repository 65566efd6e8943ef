// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "state/LaunchAtLogin.h"
#include "ui/settings/Settings.h"
#include "ui/settings/ShortcutSelectorView.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A settings panel on screen.
struct Fixture : SettingsState {
    Settings settings{appState};

    Fixture() {
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
    }

    template <typename T> T* child(const QString& name) const {
        T* widget = settings.findChild<T*>(name);
        if (!widget)
            qFatal("no child %s", qPrintable(name));
        return widget;
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hotkeyTabShowsTheShortcutAndWhyItIsNotInForce();
    void indexButtonFollowsIndexing();
    void loginBoxFollowsTheAutostartEntry();
    void closingTheWindowCancelsTheChooser();
};

void TestSettings::hotkeyTabShowsTheShortcutAndWhyItIsNotInForce() {
    Fixture fixture;
    auto* hotkey = fixture.child<QPushButton>(u"hotkeyButton"_s);
    auto* problem = fixture.child<QLabel>(u"hotKeyProblem"_s);
    QVERIFY(!problem->isVisible());
    fixture.appState.setSavedShortcut(u"⌘K"_s);
    QCOMPARE(hotkey->text(), u"⌘K"_s);
    const QString refused = u"⌃⌥K is used by another program — choose another"_s;
    fixture.appState.setHotKeyProblem(refused);
    QVERIFY(problem->isVisible());
    QCOMPARE(problem->text(), refused);
    fixture.appState.setHotKeyProblem(QString());
    QVERIFY(!problem->isVisible());
    fixture.appState.setSavedShortcut(QString());
    QCOMPARE(hotkey->text(), u"Set Launcher Hotkey"_s);
}

void TestSettings::indexButtonFollowsIndexing() {
    Fixture fixture;
    fixture.environment.tree().writeFile(
        u"apps/editor.desktop"_s, "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\n");
    auto* index = fixture.child<QPushButton>(u"indexButton"_s);
    QTRY_VERIFY(!fixture.appState.isIndexing());

    // What the button shows each time the state announces a change.
    QList<QPair<QString, bool>> shown;
    connect(&fixture.appState, &AppState::isIndexingChanged, index, [&] {
        shown.append({index->text(), index->isEnabled()});
    });
    QTest::mouseClick(buttonShowing(fixture.settings, u"Applications"_s, "segment"),
                      Qt::LeftButton);
    QVERIFY(index->isVisible() && !fixture.child<QWidget>(u"hotkeyButton"_s)->isVisible());
    QTest::mouseClick(index, Qt::LeftButton);
    QTRY_COMPARE(shown.size(), 2);
    QCOMPARE(shown[0], qMakePair(u"Indexing..."_s, false));
    QCOMPARE(shown[1], qMakePair(u"Index Applications"_s, true));
    QCOMPARE(fixture.appState.appIndexManager().apps()->find("edit").size(), std::size_t{1});
}

void TestSettings::loginBoxFollowsTheAutostartEntry() {
    Fixture fixture;
    auto* box = fixture.child<QCheckBox>(u"launchAtLoginCheckBox"_s);
    QVERIFY(!box->isChecked());
    // The box reads the entry each time the panel is shown.
    fixture.settings.hide();
    fixture.environment.tree().writeFile(
        u"config/autostart/vantri.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Vantri\nExec=/opt/vantri\n");
    fixture.settings.show();
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!launchAtLoginEnabled());

    // A refused registration keeps the tick only until the panel is shown again.
    QDir(fixture.environment.configHome() + u"/autostart"_s).removeRecursively();
    fixture.environment.tree().writeFile(u"config/autostart"_s, "in the way");
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked() && !launchAtLoginEnabled());
    fixture.settings.hide();
    fixture.settings.show();
    QVERIFY(!box->isChecked());
}

void TestSettings::closingTheWindowCancelsTheChooser() {
    Fixture fixture;
    fixture.settings.showShortcutPopup();
    for (const QString& text : {u"⌘"_s, u"K"_s})
        QTest::mouseClick(buttonShowing(*fixture.settings.shortcutPopup(), text), Qt::LeftButton);
    QVERIFY(fixture.settings.close());
    QVERIFY(!fixture.settings.shortcutPopup());
    QVERIFY(fixture.appState.savedShortcut().isEmpty());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
