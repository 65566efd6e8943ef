// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

// The built program on a virtual desktop follows its application folders:
// an application installed while it runs is found by typing its name,
// without anyone asking for a new index.
class TestX11AppFolders : public QObject {
    Q_OBJECT

public:
    explicit TestX11AppFolders(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void entryInstalledWhileRunningIsFoundByItsName();

private:
    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _vantri{_desktop, _environment.tree()};
    QProcess _trayHost;
};

void TestX11AppFolders::initTestCase() {
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");
    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, QStringLiteral("⌃⌥␣"));
    preferences->sync();
    QVERIFY(_vantri.start());
}

void TestX11AppFolders::cleanupTestCase() {
    QVERIFY(_vantri.quit());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11AppFolders::entryInstalledWhileRunningIsFoundByItsName() {
    // Neither the entry nor its folder existed when Vantri started.
    const QString openedFile = _environment.tree().path(QStringLiteral("opened.txt"));
    _environment.tree().writeFile(QStringLiteral("first/data/applications/walrus-paint.desktop"),
                                  "[Desktop Entry]\nType=Application\nName=Walrus Paint\n"
                                  "Exec=touch " +
                                      QFile::encodeName(openedFile) + "\n");
    // Re-indexing on its own, Vantri saves the new index as after any scan.
    QTRY_VERIFY_WITH_TIMEOUT(
        fileContents(_environment.tree().path(QStringLiteral("first/data/Vantri/appIndex.json")))
            .contains("walrus paint"),
        30000);

    const quint64 panel = _vantri.summonPanel();
    QVERIFY(panel != 0);
    QVERIFY(_desktop.type(QStringLiteral("walrus")));
    // The result area opens under the field with the application found.
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    QTRY_VERIFY(QFileInfo::exists(openedFile));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
}

VANTRI_X11_TEST_MAIN(TestX11AppFolders)
#include "tst_x11_appfolders.moc"
