#include "TempTree.h"
#include "VersionInfo.h"
#include "app/InstanceChannel.h"

#include <QLocalSocket>
#include <QProcess>
#include <QtTest>
#include <memory>

// Real processes of the built program, each test in an isolated environment
// with a runtime folder of its own.
class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void printsVersionAndHelp();
    void refusesAnUnknownCommandLine_data();
    void refusesAnUnknownCommandLine();
    void commandsReachTheRunningInstance();
    void hideAndQuitWithoutInstanceStartNothing_data();
    void hideAndQuitWithoutInstanceStartNothing();
    void toggleShowAndSettingsWithoutInstanceStartOne_data();
    void toggleShowAndSettingsWithoutInstanceStartOne();
    void simultaneousStartsLeaveOneInstance();

private:
    struct Finished {
        int exitCode = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    std::unique_ptr<QProcess> start(const QStringList& arguments) const;
    // Runs the program to its end; a hang or crash fails the test.
    Finished run(const QStringList& arguments) const;
    bool instanceAnswers() const;
    void quitInstance(QProcess& instance) const;

    QString _binary;
    std::unique_ptr<IsolatedEnvironment> _environment;
    QString _socketPath;
};

void TestSingleInstance::initTestCase() {
    _binary = QString::fromLocal8Bit(qgetenv("VANTRI_BINARY"));
    QVERIFY2(QFileInfo(_binary).isExecutable(), "VANTRI_BINARY names no program");
}

void TestSingleInstance::init() {
    _environment = std::make_unique<IsolatedEnvironment>();
    _socketPath = InstanceChannel::defaultSocketPath();
    QVERIFY(_socketPath.startsWith(_environment->runtimeDir()));
}

void TestSingleInstance::cleanup() {
    _environment.reset();
}

std::unique_ptr<QProcess> TestSingleInstance::start(const QStringList& arguments) const {
    auto process = std::make_unique<QProcess>();
    process->setProgram(_binary);
    process->setArguments(arguments);
    process->start();
    if (!process->waitForStarted())
        qFatal("cannot start %s", qPrintable(_binary));
    return process;
}

TestSingleInstance::Finished TestSingleInstance::run(const QStringList& arguments) const {
    const std::unique_ptr<QProcess> process = start(arguments);
    if (!process->waitForFinished(60'000) || process->exitStatus() != QProcess::NormalExit)
        return {};
    return {process->exitCode(), process->readAllStandardOutput(), process->readAllStandardError()};
}

bool TestSingleInstance::instanceAnswers() const {
    QLocalSocket probe;
    probe.connectToServer(_socketPath);
    return probe.waitForConnected(1000);
}

void TestSingleInstance::quitInstance(QProcess& instance) const {
    QCOMPARE(run({QStringLiteral("quit")}).exitCode, 0);
    QVERIFY(instance.waitForFinished(60'000));
    QCOMPARE(instance.exitStatus(), QProcess::NormalExit);
    QCOMPARE(instance.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(_socketPath));
}

void TestSingleInstance::printsVersionAndHelp() {
    const Finished version = run({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.standardOutput, QByteArray("Vantri " VANTRI_SHORT_VERSION "\n"));
    QCOMPARE(version.standardError, QByteArray());

    const Finished help = run({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.standardOutput.startsWith("Usage: "));
    for (const char* command : {"toggle", "show", "hide", "settings", "quit"})
        QVERIFY2(help.standardOutput.contains(command), command);
    QCOMPARE(help.standardError, QByteArray());
    // Neither starts an instance.
    QVERIFY(QDir(_environment->runtimeDir()).isEmpty());
}

void TestSingleInstance::refusesAnUnknownCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("problem");
    QTest::newRow("unknown command")
        << QStringList{QStringLiteral("open")} << QByteArray("vantri: unknown command 'open'");
    QTest::newRow("wrong case") << QStringList{QStringLiteral("Toggle")}
                                << QByteArray("vantri: unknown command 'Toggle'");
    QTest::newRow("two commands") << QStringList{QStringLiteral("show"), QStringLiteral("hide")}
                                  << QByteArray("vantri: expected one command, got 2: show hide");
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--fast")} << QByteArray("vantri: Unknown option 'fast'.");
}

void TestSingleInstance::refusesAnUnknownCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, problem);
    const Finished finished = run(arguments);
    QCOMPARE(finished.exitCode, 2);
    QCOMPARE(finished.standardOutput, QByteArray());
    QVERIFY2(finished.standardError.startsWith(problem + '\n'), finished.standardError);
    QVERIFY(finished.standardError.contains("Usage: "));
    QVERIFY(QDir(_environment->runtimeDir()).isEmpty());
}

void TestSingleInstance::commandsReachTheRunningInstance() {
    const std::unique_ptr<QProcess> instance = start({});
    QTRY_VERIFY_WITH_TIMEOUT(instanceAnswers(), 30'000);

    for (const QString& command :
         {QStringLiteral("toggle"), QStringLiteral("toggle"), QStringLiteral("show"),
          QStringLiteral("hide"), QStringLiteral("settings"), QStringLiteral("settings")}) {
        const Finished finished = run({command});
        QVERIFY2(finished.exitCode == 0, qPrintable(command));
        QCOMPARE(finished.standardError, QByteArray());
        QCOMPARE(instance->state(), QProcess::Running);
    }
    quitInstance(*instance);
}

void TestSingleInstance::hideAndQuitWithoutInstanceStartNothing_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("hide") << QStringLiteral("hide");
    QTest::newRow("quit") << QStringLiteral("quit");
}

void TestSingleInstance::hideAndQuitWithoutInstanceStartNothing() {
    QFETCH(QString, command);
    const Finished finished = run({command});
    QCOMPARE(finished.exitCode, 0);
    QCOMPARE(finished.standardError, QByteArray());
    QVERIFY(QDir(_environment->runtimeDir()).isEmpty());
}

void TestSingleInstance::toggleShowAndSettingsWithoutInstanceStartOne_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("toggle") << QStringLiteral("toggle");
    QTest::newRow("show") << QStringLiteral("show");
    QTest::newRow("settings") << QStringLiteral("settings");
}

void TestSingleInstance::toggleShowAndSettingsWithoutInstanceStartOne() {
    QFETCH(QString, command);
    const std::unique_ptr<QProcess> instance = start({command});
    QTRY_VERIFY_WITH_TIMEOUT(instanceAnswers(), 30'000);
    QCOMPARE(instance->state(), QProcess::Running);
    // The start lock is given back once the instance listens.
    QCOMPARE(QDir(_environment->runtimeDir())
                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(_socketPath).fileName()});
    quitInstance(*instance);
}

void TestSingleInstance::simultaneousStartsLeaveOneInstance() {
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < 3; ++i)
        starts.push_back(start({}));

    const auto finishedCount = [&starts] {
        return std::count_if(starts.begin(), starts.end(), [](const auto& process) {
            return process->state() == QProcess::NotRunning;
        });
    };
    QTRY_COMPARE_WITH_TIMEOUT(finishedCount(), 2, 60'000);
    QVERIFY(instanceAnswers());
    QProcess* instance = nullptr;
    for (const auto& process : starts) {
        if (process->state() == QProcess::Running)
            instance = process.get();
        else
            QCOMPARE(process->exitCode(), 0);
    }
    QVERIFY(instance);
    quitInstance(*instance);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
