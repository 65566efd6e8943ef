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
using namespace Qt::StringLiterals;

namespace {

using PathsByName = QMap<QString, QString>;

// One run of the built program, killed when the test is done with it.
class RunningVantri {
public:
    explicit RunningVantri(const QProcessEnvironment& environment) {
        _process.setProcessEnvironment(environment);
        _process.start(qEnvironmentVariable("VANTRI_BINARY"), {});
    }
    ~RunningVantri() {
        _process.kill();
        _process.waitForFinished();
    }
    bool isRunning() const { return _process.state() == QProcess::Running; }
    QProcess& process() { return _process; }

private:
    QProcess _process;
};

// HOME, the XDG folders and the language of one fresh start. Each data home
// gets a runtime folder of its own, so that starts with different data homes
// run side by side instead of handing over to one instance.
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
    environment.insert("LANGUAGE", "fr");
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
        _notifier = std::make_unique<QSocketNotifier>(_descriptor, QSocketNotifier::Read);
        _spy = std::make_unique<QSignalSpy>(_notifier.get(), &QSocketNotifier::activated);
    }
    ~ReadWatch() {
        _spy.reset();
        _notifier.reset();
        close(_descriptor);
    }
    bool wait() { return _spy->wait(20000); }

private:
    int _descriptor;
    std::unique_ptr<QSocketNotifier> _notifier;
    std::unique_ptr<QSignalSpy> _spy;
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
    const QString apps = "home/Applications/";
    const QString xml = writeBundle(tree, apps + "Safari.app", namedDictionary("Safari"));
    const QString binary =
        writeBundle(tree, apps + "Notes.app", binaryDictionary(namedDictionary("Notes")));
    const QString executable = writeBundle(
        tree, apps + "Helper.app", xmlDictionary(stringEntry("CFBundleExecutable", "HelperTool")));
    tree.makeDir(apps + "Bare.app");
    writeBundle(tree, apps + "Safari.app/Contents/Nested.app", namedDictionary("Nested"));
    writeBundle(tree, apps + "Shouting.APP", namedDictionary("Shouting"));
    writeBundle(tree, apps + ".cache/Hidden.app", namedDictionary("Hidden"));
    const QString grouped = writeBundle(tree, apps + "Games/Chess.app", namedDictionary("Chess"));
    // ~/Applications/Utilities is listed after ~/Applications, which holds it.
    writeBundle(tree, apps + "Terminal.app", namedDictionary("Terminal"));
    const QString terminal =
        writeBundle(tree, apps + "Utilities/Terminal.app", namedDictionary("Terminal"));

    tree.writeFile("share/first/applications/editor.desktop", desktopEntry("Editor"));
    tree.writeFile("share/second/applications/editor.desktop", desktopEntry("Editor"));
    const QString editor =
        tree.writeFile("data/applications/editor.desktop", desktopEntry("Editor"));
    tree.writeFile("share/second/applications/viewer.desktop", desktopEntry("Viewer"));
    const QString viewer =
        tree.writeFile("share/first/applications/viewer.desktop", desktopEntry("Viewer"));
    const QString files = tree.writeFile("share/second/applications/files.desktop",
                                         desktopEntry("Files", "Name[fr]=Fichiers\n"));
    const QString nested =
        tree.writeFile("share/first/applications/kde/sub/kate.desktop", desktopEntry("Kate"));
    tree.writeFile("share/first/applications/hidden.desktop",
                   desktopEntry("Gone", "Hidden=true\n"));
    tree.writeFile("share/first/applications/settings.desktop",
                   desktopEntry("Settings Daemon", "NoDisplay=true\n"));
    tree.writeFile("share/first/applications/kde-only.desktop",
                   desktopEntry("KDE Only", "OnlyShowIn=KDE;\n"));

    const PathsByName expected = {
        {"safari", xml},    {"notes", binary},      {"helpertool", executable},
        {"chess", grouped}, {"terminal", terminal}, {"editor", editor},
        {"viewer", viewer}, {"fichiers", files},    {"kate", nested},
    };
    const QString indexPath = tree.path("data/Vantri/appIndex.json");
    const QProcessEnvironment environment = freshEnvironment(tree, tree.path("data"));
    {
        RunningVantri first(environment);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(indexPath), 30000);
        QCOMPARE(indexFileContents(readAll(indexPath)), expected);
        QVERIFY(first.isRunning());
    }

    // Started again with the file in place, Vantri does not scan: an
    // application installed meanwhile stays out of the file.
    const QByteArray saved = readAll(indexPath);
    writeBundle(tree, apps + "Newcomer.app", namedDictionary("Newcomer"));
    ReadWatch loaded(indexPath);
    RunningVantri second(environment);
    QVERIFY(loaded.wait());
    // A start without a file, begun after the second one has loaded its
    // index, scans a second later; a scan of the second would come first.
    RunningVantri reference(freshEnvironment(tree, tree.makeDir("reference data")));
    const QString referenceIndex = tree.path("reference data/Vantri/appIndex.json");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(referenceIndex), 30000);
    QVERIFY(indexFileContents(readAll(referenceIndex)).contains("newcomer"));
    QCOMPARE(readAll(indexPath), saved);
    QVERIFY(second.isRunning());
}

void TestIndexAtLaunch::unwritableDataFolderIsReportedAndSurvived() {
    TempTree tree;
    writeBundle(tree, "home/Applications/Safari.app", namedDictionary("Safari"));
    tree.writeFile("data/Vantri", "a file where the folder belongs");
    RunningVantri vantri(freshEnvironment(tree, tree.path("data")));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += vantri.process().readAllStandardOutput()).contains('\n'),
                             30000);
    QVERIFY2(output.startsWith("Failed to save app index: "), output.constData());
    QCOMPARE(output.count('\n'), 1);
    QVERIFY(vantri.isRunning());
}

QTEST_GUILESS_MAIN(TestIndexAtLaunch)
#include "tst_indexatlaunch.moc"
