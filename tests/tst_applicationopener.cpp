// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "platform/xdg/ApplicationOpener.h"

#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestApplicationOpener : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void desktopEntryIsLaunchedThroughItsExecLine();
    void brokenDesktopEntryIsNotLaunched();
};

void TestApplicationOpener::desktopEntryIsLaunchedThroughItsExecLine() {
    TempTree tree;
    // The field code stands for files to open; with none given it expands to nothing.
    const QString entry = tree.writeFile(
        u"apps/marker.desktop"_s, QStringLiteral("[Desktop Entry]\nType=Application\nName=Marker\n"
                                                 "Exec=touch \"%1\" %f\n")
                                      .arg(tree.path(u"launched"_s))
                                      .toUtf8());
    QVERIFY(openApplication(entry).started);
    QTRY_VERIFY(QFile::exists(tree.path(u"launched"_s)));
}

void TestApplicationOpener::brokenDesktopEntryIsNotLaunched() {
    TempTree tree;
    QVERIFY(!openApplication(tree.writeFile(u"apps/empty.desktop"_s, {})).started);
    QVERIFY(!openApplication(tree.writeFile(u"apps/noexec.desktop"_s,
                                            "[Desktop Entry]\nType=Application\nName=None\n"))
                 .started);
    QVERIFY(!openApplication(tree.path(u"apps/missing.desktop"_s)).started);
}

QTEST_GUILESS_MAIN(TestApplicationOpener)
#include "tst_applicationopener.moc"
