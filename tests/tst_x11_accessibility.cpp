// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "SessionBus.h"
#include "SettingsFixture.h"
#include "VirtualDesktop.h"
#include "app/window/KeyableWindow.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherModel.h"
#include "scripts/ScriptManager.h"
#include "ui/panel/LauncherView.h"
#include "ui/settings/Settings.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A screen reader's side: tests/accessibility/atspi_client.py reading this
// process through the accessibility bus, as Orca does.
class ScreenReader {
public:
    struct Node {
        QString role;
        QString name;
        QString description;
        bool isFocusable = false;
    };

    bool start() {
        _client.setProgram(u"/usr/bin/python3"_s);
        _client.setArguments({QFINDTESTDATA("accessibility/atspi_client.py"),
                              QString::number(QCoreApplication::applicationPid())});
        _client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&_client, &QProcess::readyReadStandardOutput, [this] {
            while (_client.canReadLine())
                _lines.append(QString::fromUtf8(_client.readLine()).chopped(1));
        });
        _client.start();
        return _client.waitForStarted() &&
               QTest::qWaitFor([this] { return _lines.contains(u"ready"_s); }, 30000);
    }

    ~ScreenReader() {
        _client.write("quit\n");
        if (!_client.waitForFinished(5000))
            _client.kill();
        _client.waitForFinished();
    }

    QList<Node> tree() {
        _lines.clear();
        _client.write("tree\n");
        if (!QTest::qWaitFor([this] { return _lines.contains(u"end"_s); }, 30000))
            return {};
        QList<Node> nodes;
        for (const QString& line : std::as_const(_lines)) {
            const QStringList fields = line.split(u'\t');
            if (fields.size() == 5 && fields[0] == u"node")
                nodes.append({fields[1], fields[2], fields[3], fields[4] == u"1"});
        }
        return nodes;
    }

    // Waits for an event whose text is `text`; whether it came.
    bool hears(const QString& text) {
        return QTest::qWaitFor(
            [&] {
                return std::any_of(_lines.cbegin(), _lines.cend(), [&](const QString& line) {
                    return line.startsWith(u"event\t"_s) && line.section(u'\t', 4) == text;
                });
            },
            10000);
    }
    void forget() { _lines.clear(); }
    QStringList heard() const { return _lines; }

private:
    QProcess _client;
    QStringList _lines;
};

bool hasNode(const QList<ScreenReader::Node>& nodes, const QString& role, const QString& name) {
    return std::any_of(nodes.cbegin(), nodes.cend(), [&](const ScreenReader::Node& node) {
        return (role.isEmpty() || node.role == role) && node.name == name;
    });
}

} // namespace

// The panel and Settings as a screen reader meets them, over a real
// accessibility bus on a virtual desktop.
class TestX11Accessibility : public QObject {
    Q_OBJECT

public:
    explicit TestX11Accessibility(VirtualDesktop&) {}

private Q_SLOTS:
    void panelSaysWhatIsUnderTheField();
    void everySettingsControlHasAName();
};

void TestX11Accessibility::panelSaysWhatIsUnderTheField() {
    TempTree tree;
    AppIndexManager apps(QStringList(), LauncherFixture::writeIndexFile(
                                            tree, {u"alpha"_s, u"alps"_s, u"altitude"_s}));
    ScriptManager scripts;
    QVERIFY(LauncherFixture::loadScripts(
        scripts, LauncherFixture::writeScripts(
                     tree, {{u"greet"_s, u"Greet"_s, u"echo 'Hello from greet'\nexit 0\n"_s}})));
    auto* view = new LauncherView(
        scripts, apps, [] {}, [] {});
    KeyableWindow window(false);
    window.setContentView(view);
    window.place({340, 200}, LauncherView::searchAreaWidth);
    window.setContentHeight(view->contentHeight());
    QObject::connect(view, &LauncherView::contentHeightChanged, &window,
                     &KeyableWindow::setContentHeight);
    window.show();
    view->completeContent();
    window.activateWindow();
    QTRY_VERIFY(view->searchField()->hasFocus());

    ScreenReader reader;
    QVERIFY2(reader.start(), "the AT-SPI client never found this program");
    const QList<ScreenReader::Node> nodes = reader.tree();
    QVERIFY2(hasNode(nodes, {}, u"Vantri launcher"_s), "the panel has no name");
    QVERIFY2(hasNode(nodes, u"text"_s, u"Search applications and scripts"_s),
             "the search field has no name");

    // The focus stays in the field; each move of the highlight is read.
    QTest::keyClicks(view->searchField(), u"al"_s);
    QVERIFY2(reader.hears(u"Application, alpha, 1 of 3"_s), qPrintable(reader.heard().join(u'\n')));
    QTest::keyClick(view->searchField(), Qt::Key_Down);
    QVERIFY2(reader.hears(u"Application, alps, 2 of 3"_s), qPrintable(reader.heard().join(u'\n')));
    QVERIFY(view->searchField()->hasFocus());
    QTest::keyClicks(view->searchField(), u"zz"_s);
    QVERIFY2(reader.hears(u"No results"_s), qPrintable(reader.heard().join(u'\n')));

    view->searchField()->clear();
    QTest::keyClicks(view->searchField(), u"greet"_s);
    QVERIFY2(reader.hears(u"Command, greet, 1 of 1"_s), qPrintable(reader.heard().join(u'\n')));
    // A script's output is read as it shows, and stays in the tree.
    QTest::keyClick(view->searchField(), Qt::Key_Return);
    QVERIFY2(reader.hears(u"Hello from greet"_s), qPrintable(reader.heard().join(u'\n')));
    QVERIFY(view->searchField()->hasFocus());
    QVERIFY(hasNode(reader.tree(), u"label"_s, u"Hello from greet"_s));
}

void TestX11Accessibility::everySettingsControlHasAName() {
    SettingsState state;
    Settings settings(state.appState);
    settings.show();
    QVERIFY(QTest::qWaitForWindowExposed(&settings));
    ScreenReader reader;
    QVERIFY2(reader.start(), "the AT-SPI client never found this program");
    // On each tab, every control the keyboard reaches has a name to be read.
    for (int tab = 0; tab < 3; ++tab) {
        QTest::keyClick(&settings, Qt::Key_Tab, Qt::ControlModifier);
        QTRY_COMPARE(settings.selectedTab(), (tab + 1) % 3);
        const QList<ScreenReader::Node> nodes = reader.tree();
        QVERIFY(!nodes.isEmpty());
        for (const ScreenReader::Node& node : nodes) {
            if (node.isFocusable)
                QVERIFY2(!node.name.isEmpty(), qPrintable(node.role + u" without a name"_s));
        }
    }
    settings.showShortcutPopup();
    QVERIFY(QTest::qWaitForWindowExposed(settings.shortcutPopup()));
    const QList<ScreenReader::Node> sheet = reader.tree();
    QVERIFY(std::any_of(sheet.cbegin(), sheet.cend(), [](const ScreenReader::Node& node) {
        return node.description == u"Press the new combination"_s;
    }));
    QStringList seen;
    for (const ScreenReader::Node& node : sheet)
        seen.append(node.role + u':' + node.name);
    QVERIFY2(hasNode(sheet, u"check box"_s, u"Control"_s), qPrintable(seen.join(u", ")));
    for (const ScreenReader::Node& node : sheet) {
        if (node.isFocusable)
            QVERIFY2(!node.name.isEmpty(), qPrintable(node.role + u" without a name"_s));
    }
}

int main(int argc, char** argv) {
    VirtualDesktop desktop;
    if (const int setup = prepareX11Test(desktop); setup >= 0)
        return setup;
    // The bridge to the accessibility bus is set up with the application.
    SessionBus bus;
    if (!bus.start() || !bus.startAccessibilityBus()) {
        qInfo("SKIP: no accessibility bus: %s", qPrintable(bus.errorString()));
        return VirtualDesktop::skipReturnCode;
    }
    if (!QFileInfo::exists(u"/usr/lib/python3/dist-packages/pyatspi"_s)) {
        qInfo("SKIP: the AT-SPI client needs python3-pyatspi");
        return VirtualDesktop::skipReturnCode;
    }
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication application(argc, argv);
    TestX11Accessibility test(desktop);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11_accessibility.moc"
