// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "VantriSession.h"
#include "VirtualDesktop.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray metadataRest = "description: test\nauthor: test\nwebsite: \"\"\ntype: bash\n"
                                "arguments: []\nenvironments: []\ntags: []\n";

// The most watches one inotify instance of the process `pid` holds.
int inotifyWatches(qint64 pid) {
    const QString fdinfo = u"/proc/%1/fdinfo"_s.arg(pid);
    int watches = 0;
    for (const QString& fd : QDir(fdinfo).entryList(QDir::Files))
        watches = std::max(watches, int(fileContents(fdinfo + u'/' + fd).count("inotify wd:")));
    return watches;
}

} // namespace

// The scripts as a user meets them in the built program on a virtual desktop:
// typed, chosen with Return, left running behind the panel, and added while
// Vantri runs.
class TestX11Scripts : public QObject {
    Q_OBJECT

public:
    explicit TestX11Scripts(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void aResultRunsTheScriptItShowsWithItsFurtherWords();
    void theKeptQueryIsReplacedByTyping();
    void aRunLeftBehindThePanelNeitherBlocksNorOutlivesVantri();
    void scriptsAddedAnywhereInTheTreeAreListed();
    void aLargeFolderIsScannedWhileVantriAnswers();

private:
    void addScript(const QString& base, const QByteArray& name, const QByteArray& command,
                   const QByteArray& body) const;
    // Summons the panel, types `query`, waits for `rows` results and presses Return.
    bool launch(const QString& query, int rows = 1) const;
    // Launches `query` until the script has recorded `recorded`: a change in
    // the folder reaches the list once its scan is done, and "No results"
    // takes a row's height meanwhile.
    bool launchOnceListed(const QString& query, const QByteArray& recorded) const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    VantriSession _vantri{_desktop, _environment.tree()};
    QProcess _trayHost;
    QString _ran;
};

void TestX11Scripts::addScript(const QString& base, const QByteArray& name,
                               const QByteArray& command, const QByteArray& body) const {
    const TempTree& tree = _environment.tree();
    tree.writeFile(u"scripts/"_s + base + u".sh"_s, body);
    tree.writeFile(u"scripts/"_s + base + u".meta"_s,
                   "name: " + name + "\ncommand: " + command + "\n" + metadataRest);
}

bool TestX11Scripts::launch(const QString& query, int rows) const {
    const quint64 panel = _vantri.summonPanel();
    // The kept query and whatever it listed go first (the field selects it at
    // each show), so that the list waited for below is the new query's own.
    const auto heightIs = [&](int height) {
        return QTest::qWaitFor([&] { return _desktop.shownGeometry(panel).height() == height; });
    };
    // The result area opens under the field once something is listed.
    return panel != 0 && _desktop.press(u"BackSpace"_s) && heightIs(60) && _desktop.type(query) &&
           heightIs(60 + 20 + 50 * rows) && _desktop.press(u"Return"_s);
}

bool TestX11Scripts::launchOnceListed(const QString& query, const QByteArray& recorded) const {
    return QTest::qWaitFor(
        [&] {
            if (_vantri.shownPanel() != 0 && !(_desktop.press(u"Escape"_s) && QTest::qWaitFor([&] {
                                                   return _vantri.shownPanel() == 0;
                                               })))
                return false;
            return launch(query) &&
                   QTest::qWaitFor([&] { return fileContents(_ran) == recorded; }, 3000);
        },
        60000);
}

void TestX11Scripts::initTestCase() {
    // A desktop's tray, so that Settings does not open in its place mid-test.
    QVERIFY2(_desktop.startTrayHost(_trayHost), "trayer is not installed");
    _ran = _environment.tree().path(u"ran.txt"_s);
    const QByteArray record = "printf '%s:' \"$(basename \"$0\")\" >> '" + _ran.toUtf8() +
                              "'; printf '%s,' \"$@\" >> '" + _ran.toUtf8() + "'\n";
    addScript(u"greet"_s, "Greet", "greet", record);
    addScript(u"greet-pair"_s, "Greet a pair", "greet alpha beta", record);
    addScript(u"zebra"_s, "Zebra", "zebra", record);

    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, u"⌃⌥␣"_s);
    preferences->setValue(PreferenceKeys::scriptFolderPath, _environment.tree().path(u"scripts"_s));
    preferences->sync();
    QVERIFY(_vantri.start());
}

void TestX11Scripts::cleanupTestCase() {
    QVERIFY(_vantri.quit());
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11Scripts::aResultRunsTheScriptItShowsWithItsFurtherWords() {
    QVERIFY(launch(u"greet alpha"_s));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet-pair.sh:alpha,beta,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
}

void TestX11Scripts::theKeptQueryIsReplacedByTyping() {
    QVERIFY(launch(u"greet"_s, 2));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet.sh:,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    // Shown again, the panel still shows "greet"; typing replaces it.
    QVERIFY(launch(u"zeb"_s));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet.sh:,zebra.sh:,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
}

void TestX11Scripts::aRunLeftBehindThePanelNeitherBlocksNorOutlivesVantri() {
    // Starts a program that ignores the polite request to end, says so, and
    // waits for it; each run also leaves a line behind.
    const QString started = _environment.tree().path(u"started"_s);
    addScript(u"linger"_s, "Linger", "linger",
              "echo run >> '" + started.toUtf8() +
                  ".runs'\ntrap '' TERM\nsleep 1000 & kept=$!\nsetsid sleep 1000 &\n"
                  "echo $$ $kept $! > '" +
                  started.toUtf8() + ".new'\nmv '" + started.toUtf8() + ".new' '" +
                  started.toUtf8() + "'\nwait\n");
    // A double Return while the panel shows the run starts it once.
    QVERIFY(launch(u"linger"_s));
    QVERIFY(_desktop.press(u"Return"_s));
    QTRY_VERIFY(QFileInfo::exists(started));
    QVERIFY(_vantri.shownPanel() != 0);
    QVERIFY(_desktop.press(u"Escape"_s));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QCOMPARE(fileContents(started + u".runs"_s), QByteArray("run\n"));

    // The panel is free for the next launch.
    QVERIFY(launch(u"greet"_s, 2));
    QTRY_COMPARE(fileContents(_ran), QByteArray("greet.sh:,"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);

    // Quitting ends the run and what it started, in its session or another.
    const QList<QByteArray> pids = fileContents(started).trimmed().split(' ');
    QCOMPARE(pids.size(), 3);
    QVERIFY(_vantri.quit());
    for (const QByteArray& pid : pids)
        QTRY_VERIFY2(processEnded(pid.toLongLong()), pid.constData());
    QVERIFY(_vantri.start());
}

void TestX11Scripts::scriptsAddedAnywhereInTheTreeAreListed() {
    addScript(u"deep/er/later"_s, "Later", "later", "echo later >> '" + _ran.toUtf8() + "'\n");
    QVERIFY(launchOnceListed(u"later"_s, "later\n"));
    QTRY_COMPARE(_vantri.shownPanel(), 0u);
    QFile::remove(_ran);
}

void TestX11Scripts::aLargeFolderIsScannedWhileVantriAnswers() {
    // 50,000 scripts in 100 folders: once the scan has ended, the 101 folders are watched.
    constexpr int folders = 100;
    constexpr int scripts = 50000;
    const TempTree& tree = _environment.tree();
    const QString folder = tree.makeDir(u"large"_s);
    for (int i = 0; i < folders; ++i)
        QVERIFY(QDir(folder).mkdir(QString::number(i)));
    for (int i = 0; i < scripts; ++i) {
        const QByteArray command = "s" + QByteArray::number(i);
        const QString base = folder + u"/%1/"_s.arg(i % folders) + QString::fromLatin1(command);
        QFile meta(base + u".meta"_s);
        QFile script(base + u".sh"_s);
        QVERIFY(meta.open(QIODevice::WriteOnly) && script.open(QIODevice::WriteOnly));
        meta.write("name: " + command + "\ncommand: " + command + "\n" + metadataRest);
    }
    // An instance of its own, with a configuration that names the large folder.
    const QString config = tree.makeDir(u"large-config/Vantri"_s);
    QSettings settings(config + u"/Vantri.conf"_s, QSettings::IniFormat);
    settings.setValue(PreferenceKeys::scriptFolderPath, folder);
    settings.sync();
    QProcessEnvironment own;
    own.insert(u"XDG_CONFIG_HOME"_s, tree.path(u"large-config"_s));
    QProcess large;
    QVERIFY(_vantri.start(large, u"large"_s, own));

    // Until the scan ends, its folder tree is not watched yet: the instance
    // answers commands meanwhile, each within a second.
    const auto scanEnded = [&] { return inotifyWatches(large.processId()) > folders; };
    int answeredDuringTheScan = 0;
    QElapsedTimer waited;
    waited.start();
    while (!scanEnded() && waited.elapsed() < 120000) {
        QElapsedTimer answer;
        answer.start();
        QCOMPARE(_vantri.run({u"hide"_s}, u"large"_s), 0);
        const qint64 took = answer.elapsed();
        QVERIFY2(took < 1000, qPrintable(QString::number(took)));
        if (!scanEnded())
            ++answeredDuringTheScan;
    }
    QVERIFY(scanEnded());
    QVERIFY(answeredDuringTheScan > 0);
    QCOMPARE(_vantri.run({u"quit"_s}, u"large"_s), 0);
    QVERIFY(large.waitForFinished(30000));
}

VANTRI_X11_TEST_MAIN(TestX11Scripts)
#include "tst_x11_scripts.moc"
