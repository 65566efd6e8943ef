#include "TempTree.h"
#include "platform/Autostart.h"
#include "state/LaunchAtLogin.h"

#include <QtTest>

static QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TestLaunchAtLogin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writtenEntryStartsTheProgramAtAnAwkwardPath();
    void registeringKeepsOnlyAnEntryInForce_data();
    void registeringKeepsOnlyAnEntryInForce();
};

// GIO's launcher parses Exec as the session does. (A percent sign is left
// out: GIO looks for the program before it turns the escaped %% back into %.)
void TestLaunchAtLogin::writtenEntryStartsTheProgramAtAnAwkwardPath() {
    TempTree tree;
    const QString program = tree.writeFile("odd \"dir\" $HOME `x` back\\slash 'q'/start me",
                                           "#!/bin/sh\necho \"$#\" > \"$0.started\"\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    const QString entry = tree.path("autostart/vantri.desktop");
    QVERIFY(Autostart::enable(entry, program));
    QCOMPARE(QProcess::execute("gio", {"launch", entry}), 0);
    QTRY_COMPARE(readFile(program + ".started"), QByteArray("0\n"));
}

void TestLaunchAtLogin::registeringKeepsOnlyAnEntryInForce_data() {
    QTest::addColumn<QByteArray>("existing"); // empty: none
    QTest::addColumn<bool>("inForce");
    const QByteArray header = "[Desktop Entry]\nType=Application\nName=Vantri\n";
    QTest::newRow("no entry") << QByteArray() << false;
    QTest::newRow("entry in force") << header + "Exec=/opt/vantri/vantri --quiet\n" << true;
    QTest::newRow("hidden entry") << header + "Hidden=true\n" << false;
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
    const QByteArray exec = "Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + '"';
    QCOMPARE(readFile(entry).split('\n').contains(exec), !inForce);
    setLaunchAtLogin(false);
    QVERIFY(!QFile::exists(entry));
}

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
