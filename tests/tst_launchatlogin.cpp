#include "TempTree.h"
#include "platform/Autostart.h"
#include "state/LaunchAtLogin.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QByteArray entryHeader = "[Desktop Entry]\nType=Application\nName=Vantri\n";

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLaunchAtLogin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entryCountsAsEnabledOnlyWhenInForce_data();
    void entryCountsAsEnabledOnlyWhenInForce();
    void writtenEntryStartsTheProgramAtAnAwkwardPath();
    void registeringKeepsOnlyAnEntryInForce_data();
    void registeringKeepsOnlyAnEntryInForce();
    void refusedRegistrationIsDroppedQuietly();
};

void TestLaunchAtLogin::entryCountsAsEnabledOnlyWhenInForce_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("plain entry") << entryHeader + "Exec=vantri\n" << true;
    QTest::newRow("hidden") << entryHeader + "Hidden=true\n" << false;
    QTest::newRow("empty file") << QByteArray() << false;
}

void TestLaunchAtLogin::entryCountsAsEnabledOnlyWhenInForce() {
    QFETCH(QByteArray, content);
    QFETCH(bool, enabled);
    IsolatedEnvironment environment;
    QVERIFY(!launchAtLoginEnabled());
    environment.tree().writeFile(QStringLiteral("config/autostart/vantri.desktop"), content);
    QCOMPARE(launchAtLoginEnabled(), enabled);
}

// GIO's launcher parses Exec as the session does. (A percent sign is left
// out: GIO looks for the program before it turns the escaped %% back into %.)
void TestLaunchAtLogin::writtenEntryStartsTheProgramAtAnAwkwardPath() {
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    QVERIFY2(!gio.isEmpty(), "the gio command (libglib2.0-bin) is missing");
    TempTree tree;
    const QString marker = tree.path(QStringLiteral("started"));
    const QString program =
        tree.writeFile(QStringLiteral("odd \"dir\" $HOME `x` back\\slash 'q'/start me"),
                       QStringLiteral("#!/bin/sh\necho \"$#\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString entry = tree.path(QStringLiteral("autostart/vantri.desktop"));

    QVERIFY(Autostart::enable(entry, program));
    QVERIFY(Autostart::isEnabled(entry));

    QProcess launch;
    launch.start(gio, {QStringLiteral("launch"), entry});
    QVERIFY(launch.waitForFinished());
    QCOMPARE(launch.exitCode(), 0);
    QTRY_COMPARE(readFile(marker), QByteArray("0\n"));
}

void TestLaunchAtLogin::registeringKeepsOnlyAnEntryInForce_data() {
    QTest::addColumn<QByteArray>("existing"); // empty: none
    QTest::addColumn<bool>("kept");
    QTest::newRow("no entry") << QByteArray() << false;
    QTest::newRow("entry in force") << entryHeader + "Exec=/opt/vantri/vantri --quiet\n" << true;
    QTest::newRow("hidden entry") << entryHeader + "Hidden=true\n" << false;
}

void TestLaunchAtLogin::registeringKeepsOnlyAnEntryInForce() {
    QFETCH(QByteArray, existing);
    QFETCH(bool, kept);
    IsolatedEnvironment environment;
    const QString entry = environment.configHome() + QStringLiteral("/autostart/vantri.desktop");
    if (!existing.isEmpty())
        environment.tree().writeFile(QStringLiteral("config/autostart/vantri.desktop"), existing);

    setLaunchAtLogin(true);
    QVERIFY(launchAtLoginEnabled());
    if (kept) {
        QCOMPARE(readFile(entry), existing);
    } else {
        const QString program = QCoreApplication::applicationFilePath();
        QVERIFY(readFile(entry).split('\n').contains("Exec=\"" + program.toUtf8() + '"'));
        QVERIFY(!readFile(entry).contains("Hidden"));
    }

    setLaunchAtLogin(false);
    QVERIFY(!QFile::exists(entry));
    QVERIFY(!launchAtLoginEnabled());
}

void TestLaunchAtLogin::refusedRegistrationIsDroppedQuietly() {
    IsolatedEnvironment environment;
    environment.tree().writeFile(QStringLiteral("config/autostart"), "not a folder");

    QVERIFY(!Autostart::enable(Autostart::entryPath(), QStringLiteral("/usr/bin/true")));
    setLaunchAtLogin(true);
    QVERIFY(!launchAtLoginEnabled());
    QCOMPARE(readFile(environment.configHome() + QStringLiteral("/autostart")),
             QByteArray("not a folder"));
}

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
