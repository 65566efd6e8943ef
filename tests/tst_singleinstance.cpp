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

    void commandLineWithoutAnInstance_data();
    void commandLineWithoutAnInstance();
    void showStartsAnInstanceThatLaterCommandsReach();
    void simultaneousStartsLeaveOneInstance();

private:
    struct Finished {
        int exitCode = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    std::unique_ptr<QProcess> start(const QStringList& arguments) const;
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

void TestSingleInstance::commandLineWithoutAnInstance_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output"); // what standard output begins with; empty: nothing
    QTest::addColumn<QByteArray>("error");  // the same for standard error
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QByteArray("Vantri " VANTRI_SHORT_VERSION "\n") << QByteArray();
    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: ") << QByteArray();
    QTest::newRow("hide") << QStringList{"hide"} << 0 << QByteArray() << QByteArray();
    QTest::newRow("unknown command") << QStringList{"open"} << 2 << QByteArray()
                                     << QByteArray("vantri: unknown command 'open'\n");
    QTest::newRow("two commands") << QStringList{"show", "hide"} << 2 << QByteArray()
                                  << QByteArray("vantri: expected one command, got 2: show hide\n");
}

void TestSingleInstance::commandLineWithoutAnInstance() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, error);
    const auto begins = [](const QByteArray& text, const QByteArray& start) {
        return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
    };
    const Finished finished = run(arguments);
    QCOMPARE(finished.exitCode, exitCode);
    QVERIFY2(begins(finished.standardOutput, output), finished.standardOutput);
    QVERIFY2(begins(finished.standardError, error), finished.standardError);
    // None of them starts an instance.
    QVERIFY(QDir(_environment->runtimeDir()).isEmpty());
}

void TestSingleInstance::showStartsAnInstanceThatLaterCommandsReach() {
    const std::unique_ptr<QProcess> instance = start({QStringLiteral("show")});
    QTRY_VERIFY_WITH_TIMEOUT(instanceAnswers(), 30'000);
    // The start lock is given back once the instance listens.
    QCOMPARE(QDir(_environment->runtimeDir())
                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(_socketPath).fileName()});
    for (const QString& command : {QStringLiteral("toggle"), QStringLiteral("settings")}) {
        const Finished finished = run({command});
        QVERIFY2(finished.exitCode == 0, qPrintable(command));
        QCOMPARE(finished.standardError, QByteArray());
        QCOMPARE(instance->state(), QProcess::Running);
    }
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
