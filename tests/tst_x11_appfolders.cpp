#include "TempTree.h"
#include "VirtualDesktop.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QtTest>

namespace {

const QString panelTitle = QStringLiteral("Vantri Launcher");

QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The built program on a virtual desktop follows its application folders:
// an application installed while it runs is found by typing its name,
// without anyone asking for a new index.
class TestX11AppFolders : public QObject {
    Q_OBJECT

public:
    explicit TestX11AppFolders(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void entryInstalledWhileRunningIsFoundByItsName();

private:
    quint64 shownPanel() const;

    VirtualDesktop& _desktop;
    IsolatedEnvironment _environment;
    QProcess _trayHost;
    QProcess _vantri;
    QString _indexFile;
};

quint64 TestX11AppFolders::shownPanel() const {
    for (const auto& window : _desktop.shownWindows(_vantri.processId())) {
        if (window.title == panelTitle)
            return window.id;
    }
    return 0;
}

void TestX11AppFolders::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VANTRI_BINARY")).isExecutable(),
             "VANTRI_BINARY must name the built program");
    _trayHost.setProcessEnvironment(_desktop.environment());
    _trayHost.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top")});
    QVERIFY2(_trayHost.waitForStarted(), "trayer is not installed");

    const auto preferences = openPreferences();
    preferences->setValue(PreferenceKeys::savedShortcut, QStringLiteral("⌃⌥␣"));
    preferences->sync();

    QProcessEnvironment environment = _desktop.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    _vantri.setProcessEnvironment(environment);
    _vantri.setProcessChannelMode(QProcess::ForwardedChannels);
    // The full program itself, so that this process is the instance.
    _vantri.start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    // The first index is written once the start-up scan is done.
    _indexFile = _environment.dataHome() + QStringLiteral("/Vantri/appIndex.json");
    QVERIFY(_vantri.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(_indexFile).size() > 0, 30000);
    QCOMPARE(_vantri.state(), QProcess::Running);
}

void TestX11AppFolders::cleanupTestCase() {
    _vantri.terminate();
    _vantri.waitForFinished();
    _trayHost.terminate();
    _trayHost.waitForFinished();
}

void TestX11AppFolders::entryInstalledWhileRunningIsFoundByItsName() {
    // Neither the entry nor its folder existed when Vantri started.
    const QString openedFile = _environment.tree().path(QStringLiteral("opened.txt"));
    _environment.tree().writeFile(QStringLiteral("data/applications/walrus-paint.desktop"),
                                  "[Desktop Entry]\nType=Application\nName=Walrus Paint\n"
                                  "Exec=touch " +
                                      QFile::encodeName(openedFile) + "\n");
    // Re-indexing on its own, Vantri saves the new index as after any scan.
    QTRY_VERIFY_WITH_TIMEOUT(fileContents(_indexFile).contains("walrus paint"), 30000);

    QVERIFY(_desktop.press(QStringLiteral("ctrl+alt+space")));
    quint64 panel = 0;
    QTRY_VERIFY((panel = shownPanel()) != 0 && _desktop.activeWindow() == panel);
    QVERIFY(_desktop.type(QStringLiteral("walrus")));
    // The result area opens under the field with the application found.
    QTRY_COMPARE(_desktop.shownGeometry(panel).height(), 60 + 20 + 50);
    QVERIFY(_desktop.press(QStringLiteral("Return")));
    QTRY_VERIFY(QFileInfo::exists(openedFile));
    QTRY_COMPARE(shownPanel(), 0u);
}

VANTRI_X11_TEST_MAIN(TestX11AppFolders)
#include "tst_x11_appfolders.moc"
