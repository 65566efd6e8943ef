// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EnvironmentDump.h"
#include "TempTree.h"
#include "platform/ChildEnvironment.h"
#include "platform/xdg/ApplicationOpener.h"
#include "scripts/run/ScriptRun.h"

#include <QFile>
#include <QtTest>

namespace {

// Set in this process as they would be in Vantri's: by the session manager,
// by whoever started Vantri, by the `vantri` command.
const QList<std::pair<QByteArray, QByteArray>> vantriOwnVariables{
    {"VANTRI_START_HANDOFF", "3,4"},
    {"VANTRI_ANYTHING", "1"},
    {"DESKTOP_AUTOSTART_ID", "session-manager-id"},
    {"DESKTOP_STARTUP_ID", "vantri-own-startup"},
    {"XDG_ACTIVATION_TOKEN", "vantri-own-token"},
    {"GIO_LAUNCHED_DESKTOP_FILE", "/usr/share/applications/vantri.desktop"},
};

} // namespace

// What a program Vantri starts finds in its environment: the session's own,
// never Vantri's.
class TestLaunchEnvironment : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void childSeesTheSessionWithoutVantrisOwn_data();
    void childSeesTheSessionWithoutVantrisOwn();
    void focusMadeForTheStartReplacesNothingElse();

private:
    TempTree _tree;
};

void TestLaunchEnvironment::initTestCase() {
    for (const auto& [name, value] : vantriOwnVariables)
        qputenv(name, value);
}

void TestLaunchEnvironment::childSeesTheSessionWithoutVantrisOwn_data() {
    QTest::addColumn<bool>("isScript");
    QTest::newRow("application") << false;
    QTest::newRow("script") << true;
}

void TestLaunchEnvironment::childSeesTheSessionWithoutVantrisOwn() {
    QFETCH(bool, isScript);
    const QByteArray userValue = "kept " + QByteArray(QTest::currentDataTag());
    qputenv("USERS_OWN_SETTING", userValue);
    const QString dump = _tree.path(QString::fromLatin1(QTest::currentDataTag()) + ".env");
    const QString dumper =
        _tree.writeFile(QStringLiteral("dump-environment"),
                        "#!/bin/sh\nenv -0 > \"$1.part\" && mv \"$1.part\" \"$1\"\n");
    QFile::setPermissions(dumper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    if (isScript) {
        ScriptRun* run = new ScriptRun(
            *ScriptRunners().runnerFor(QStringLiteral("bash")), [](const QString&) {},
            [](const std::optional<ScriptFailure>&) {});
        run->start(dumper, {dump});
    } else {
        const QString entry = _tree.writeFile(
            QStringLiteral("applications/dump.desktop"),
            "[Desktop Entry]\nType=Application\nName=Dump\nExec=" + dumper.toUtf8() + " " +
                dump.toUtf8() + "\n");
        QVERIFY(openApplication(entry).started);
    }
    QTRY_VERIFY(QFile::exists(dump));
    const QMap<QString, QString> seen = environmentIn(fileContents(dump));
    for (const auto& [name, value] : vantriOwnVariables)
        QVERIFY2(!seen.contains(QString::fromLatin1(name)), name.constData());
    QCOMPARE(seen.value(QStringLiteral("USERS_OWN_SETTING")), QString::fromUtf8(userValue));
    QCOMPARE(seen.value(QStringLiteral("PATH")), qEnvironmentVariable("PATH"));
}

void TestLaunchEnvironment::focusMadeForTheStartReplacesNothingElse() {
    QProcessEnvironment session;
    session.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("stale"));
    session.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("stale"));
    session.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    const QProcessEnvironment child =
        childEnvironment(session, {QStringLiteral("fresh-id"), QStringLiteral("fresh-token")});
    QCOMPARE(child.value(QStringLiteral("DESKTOP_STARTUP_ID")), QStringLiteral("fresh-id"));
    QCOMPARE(child.value(QStringLiteral("XDG_ACTIVATION_TOKEN")), QStringLiteral("fresh-token"));
    QCOMPARE(child.keys().size(), 3);
}

QTEST_GUILESS_MAIN(TestLaunchEnvironment)
#include "tst_launchenvironment.moc"
