#include "ApplicationFixtures.h"
#include "TempTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QtTest>
#include <sys/inotify.h>
#include <unistd.h>

using namespace ApplicationFixtures;

namespace {

using PathsByName = QMap<QString, QString>;

struct Kill {
    void operator()(QProcess* process) const {
        process->kill();
        process->waitForFinished();
        delete process;
    }
};
using RunningVantri = std::unique_ptr<QProcess, Kill>;

RunningVantri startVantri(const QProcessEnvironment& environment) {
    RunningVantri vantri(new QProcess);
    vantri->setProcessEnvironment(environment);
    vantri->start(qEnvironmentVariable("VANTRI_BINARY"), {});
    return vantri;
}

// Each data home gets a runtime folder of its own, so that starts with
// different data homes run side by side instead of handing over to one instance.
QProcessEnvironment freshEnvironment(const TempTree& tree, const QString& dataHome) {
    const QString runtimeDir = tree.makeDir("runtime/" + QFileInfo(dataHome).fileName());
    QFile::setPermissions(runtimeDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtimeDir);
    environment.insert("HOME", tree.path("home"));
    environment.insert("XDG_CONFIG_HOME", tree.path("config"));
    environment.insert("XDG_DATA_HOME", dataHome);
    environment.insert("XDG_DATA_DIRS", tree.path("share/first") + ":" + tree.path("share/second"));
    environment.insert("XDG_CURRENT_DESKTOP", "Vantri-Test");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    return environment;
}

PathsByName indexFileContents(const QByteArray& bytes) {
    PathsByName map;
    for (const QJsonValue& value : QJsonDocument::fromJson(bytes).array())
        map.insert(value["name"].toString(), value["path"].toString());
    return map;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Tells when a process has read a file and closed it again.
class ReadWatch {
public:
    explicit ReadWatch(const QString& path)
        : _descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(_descriptor, QFile::encodeName(path).constData(), IN_CLOSE_NOWRITE);
    }
    ~ReadWatch() { close(_descriptor); }
    bool wait() const {
        QSocketNotifier notifier(_descriptor, QSocketNotifier::Read);
        QSignalSpy activated(&notifier, &QSocketNotifier::activated);
        return activated.wait(20000);
    }

private:
    const int _descriptor;
};

} // namespace

class TestIndexAtLaunch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartIndexesSecondStartLoads();
    void unwritableDataFolderIsReportedAndSurvived();
};

void TestIndexAtLaunch::firstStartIndexesSecondStartLoads() {
    TempTree tree;
    // Of the default folders, a later one wins: ~/Applications/Utilities after
    // ~/Applications, then XDG_DATA_DIRS from its last entry to its first, then
    // the data home.
    const QString apps = "home/Applications/";
    writeBundle(tree, apps + "Terminal.app", namedDictionary("Terminal"));
    tree.writeFile("share/first/applications/editor.desktop", desktopEntry("Editor"));
    tree.writeFile("share/second/applications/viewer.desktop", desktopEntry("Viewer"));
    const PathsByName expected = {
        {"safari", writeBundle(tree, apps + "Safari.app", namedDictionary("Safari"))},
        {"terminal",
         writeBundle(tree, apps + "Utilities/Terminal.app", namedDictionary("Terminal"))},
        {"editor", tree.writeFile("data/applications/editor.desktop", desktopEntry("Editor"))},
        {"viewer",
         tree.writeFile("share/first/applications/viewer.desktop", desktopEntry("Viewer"))},
    };
    const QString indexPath = tree.path("data/Vantri/appIndex.json");
    const QProcessEnvironment environment = freshEnvironment(tree, tree.path("data"));
    {
        const RunningVantri first = startVantri(environment);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(indexPath), 30000);
        QCOMPARE(indexFileContents(readAll(indexPath)), expected);
        QCOMPARE(first->state(), QProcess::Running);
    }

    // Started again with the file in place, Vantri does not scan: an
    // application installed meanwhile stays out of the file.
    const QByteArray saved = readAll(indexPath);
    writeBundle(tree, apps + "Newcomer.app", namedDictionary("Newcomer"));
    ReadWatch loaded(indexPath);
    const RunningVantri second = startVantri(environment);
    QVERIFY(loaded.wait());
    // A scan by the second start would end before that of a later fresh start.
    const RunningVantri reference =
        startVantri(freshEnvironment(tree, tree.makeDir("reference data")));
    const QString referenceIndex = tree.path("reference data/Vantri/appIndex.json");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(referenceIndex), 30000);
    QVERIFY(indexFileContents(readAll(referenceIndex)).contains("newcomer"));
    QCOMPARE(readAll(indexPath), saved);
    QCOMPARE(second->state(), QProcess::Running);
}

void TestIndexAtLaunch::unwritableDataFolderIsReportedAndSurvived() {
    TempTree tree;
    writeBundle(tree, "home/Applications/Safari.app", namedDictionary("Safari"));
    tree.writeFile("data/Vantri", "a file where the folder belongs");
    const RunningVantri vantri = startVantri(freshEnvironment(tree, tree.path("data")));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += vantri->readAllStandardOutput()).contains('\n'), 30000);
    QVERIFY2(output.startsWith("Failed to save app index: "), output.constData());
    QCOMPARE(output.count('\n'), 1);
    QCOMPARE(vantri->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestIndexAtLaunch)
#include "tst_indexatlaunch.moc"
