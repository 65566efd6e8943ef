// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "platform/xdg/Autostart.h"
#include "state/LaunchAtLogin.h"

#include <QtTest>

using namespace Qt::StringLiterals;

static const auto executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

class TestLaunchAtLogin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writtenEntryStartsTheProgramAtAnAwkwardPath_data();
    void writtenEntryStartsTheProgramAtAnAwkwardPath();
    void registeringKeepsOnlyAnEntryInForce_data();
    void registeringKeepsOnlyAnEntryInForce();
    void registeringReproducesTheInstalledEntry();
    void userProgramIsFoundBesideOrAboveTheRunningOne_data();
    void userProgramIsFoundBesideOrAboveTheRunningOne();
};

void TestLaunchAtLogin::writtenEntryStartsTheProgramAtAnAwkwardPath_data() {
    QTest::addColumn<QString>("folder"); // the folder the program sits in
    QTest::newRow("space") << u"start me"_s;
    QTest::newRow("quotes") << u"\"double\" 'single'"_s;
    QTest::newRow("backslash") << u"back\\slash\\"_s;
    QTest::newRow("dollar") << u"$HOME ${PATH}"_s;
    QTest::newRow("backtick") << u"`id`"_s;
    QTest::newRow("percent") << u"100% %f %%"_s;
    QTest::newRow("newline") << u"two\nlines"_s;
    QTest::newRow("non-ASCII") << u"Größe ✓ 日本"_s;
    QTest::newRow("all at once") << u"a \"b' c\\ $d `e` 5%u\nö"_s;
}

// GIO's launcher parses Exec as the session does.
void TestLaunchAtLogin::writtenEntryStartsTheProgramAtAnAwkwardPath() {
    QFETCH(QString, folder);
    TempTree tree;
    const QString started = tree.path(u"started"_s);
    const QString program = tree.writeFile(folder + u"/vantri"_s,
                                           "#!/bin/sh\necho \"$#\" > '" + started.toUtf8() + "'\n");
    QFile::setPermissions(program, executable);
    const QString entry = tree.path(u"autostart/vantri.desktop"_s);
    QVERIFY(Autostart::enable(entry, Autostart::commandFor(program)));
    QCOMPARE(QProcess::execute(u"gio"_s, {u"launch"_s, entry}), 0);
    QTRY_COMPARE(fileContents(started), QByteArray("0\n"));
}

void TestLaunchAtLogin::registeringKeepsOnlyAnEntryInForce_data() {
    QTest::addColumn<QByteArray>("existing"); // empty: none
    QTest::addColumn<bool>("inForce");
    const QByteArray header = "[Desktop Entry]\nType=Application\nName=Vantri\n";
    QTest::newRow("no entry") << QByteArray() << false;
    QTest::newRow("entry in force") << header + "Exec=/opt/vantri/vantri --quiet\n" << true;
    QTest::newRow("hidden entry") << header + "Hidden=true\n" << false;
    QTest::newRow("switched off") << header + "X-GNOME-Autostart-enabled=false\n" << false;
    QTest::newRow("switched on") << header + "X-GNOME-Autostart-enabled=true\n" << true;
}

void TestLaunchAtLogin::registeringKeepsOnlyAnEntryInForce() {
    QFETCH(QByteArray, existing);
    QFETCH(bool, inForce);
    IsolatedEnvironment environment;
    const QString entry = environment.configHome() + "/autostart/vantri.desktop";
    if (!existing.isEmpty())
        environment.tree().writeFile("config/autostart/vantri.desktop", existing);
    QCOMPARE(launchAtLoginEnabled(), inForce);

    setLaunchAtLogin(true);
    QVERIFY(launchAtLoginEnabled());
    // Run from the build's test folder, where no `vantri` sits beside it.
    const QByteArray exec = "Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + '"';
    QCOMPARE(fileContents(entry).split('\n').contains(exec), !inForce);
    setLaunchAtLogin(false);
    QVERIFY(!QFile::exists(entry));
}

void TestLaunchAtLogin::registeringReproducesTheInstalledEntry() {
    IsolatedEnvironment environment;
    environment.tree().writeFile("share/applications/example.vantri.Vantri.desktop",
                                 "[Desktop Entry]\nType=Application\nName=Vantri\n"
                                 "Exec=vantri\nIcon=example.vantri.Vantri\n");
    setLaunchAtLogin(true);
    const QList<QByteArray> lines =
        fileContents(environment.configHome() + "/autostart/vantri.desktop").split('\n');
    QVERIFY(lines.contains("Exec=vantri"));
    QVERIFY(lines.contains("Icon=example.vantri.Vantri"));
}

void TestLaunchAtLogin::userProgramIsFoundBesideOrAboveTheRunningOne_data() {
    QTest::addColumn<QStringList>("executables"); // under the test's folder
    QTest::addColumn<QString>("running");
    QTest::addColumn<QString>("found");
    QTest::newRow("build folder") << QStringList{u"build/vantri"_s, u"build/vantri-app"_s}
                                  << u"build/vantri-app"_s << u"build/vantri"_s;
    QTest::newRow("installed helper")
        << QStringList{u"usr/bin/vantri"_s, u"usr/libexec/vantri/vantri-app"_s}
        << u"usr/libexec/vantri/vantri-app"_s << u"usr/bin/vantri"_s;
    QTest::newRow("alone") << QStringList{u"opt/vantri-app"_s} << u"opt/vantri-app"_s
                           << u"opt/vantri-app"_s;
    QTest::newRow("one program") << QStringList{u"bin/vantri"_s} << u"bin/vantri"_s
                                 << u"bin/vantri"_s;
}

void TestLaunchAtLogin::userProgramIsFoundBesideOrAboveTheRunningOne() {
    QFETCH(QStringList, executables);
    QFETCH(QString, running);
    QFETCH(QString, found);
    TempTree tree;
    for (const QString& program : executables)
        QFile::setPermissions(tree.writeFile(program, "#!/bin/sh\n"), executable);
    // A file that is no program is passed over.
    tree.writeFile(u"opt/vantri"_s, "");
    QCOMPARE(userProgramPath(tree.path(running)), tree.path(found));
}

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
