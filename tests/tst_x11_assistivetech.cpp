// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PanelOnScreen.h"
#include "PrivateSessionBus.h"
#include "SettingsFixture.h"
#include "VirtualDesktop.h"
#include "launcher/LauncherModel.h"
#include "launcher/SearchPipeline.h"
#include "ui/settings/Settings.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

#include <list>

using namespace Qt::StringLiterals;

namespace {

// The Cangjie table engine: "a" is 日 and "b" is 月, and the two together
// compose 明, its first candidate, committed with the space bar.
const QString engine = u"table:cangjie5"_s;
const QString composed = u"明"_s;

// Records what the input method tells a widget: each preedit and each commit.
class InputMethodRecorder : public QObject {
public:
    QStringList preedits;
    QStringList commits;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::InputMethod) {
            const auto* input = static_cast<QInputMethodEvent*>(event);
            if (!input->preeditString().isEmpty())
                preedits.append(input->preeditString());
            if (!input->commitString().isEmpty())
                commits.append(input->commitString());
        }
        return QObject::eventFilter(watched, event);
    }
};

// A screen reader's side: tests/accessibility/atspi_client.py reading this
// process through the accessibility bus, as Orca does.
class ScreenReader {
public:
    // Each object of the program's tree: its role, name, description, and
    // "1" where the keyboard reaches it.
    using Node = QStringList;

    bool start() {
        _client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&_client, &QProcess::readyReadStandardOutput, [this] {
            while (_client.canReadLine())
                _lines.append(QString::fromUtf8(_client.readLine()).chopped(1));
        });
        _client.start(u"/usr/bin/python3"_s, {QFINDTESTDATA("accessibility/atspi_client.py"),
                                              QString::number(QCoreApplication::applicationPid())});
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
        QList<Node> nodes;
        if (QTest::qWaitFor([this] { return _lines.contains(u"end"_s); }, 30000))
            for (const QString& line : std::as_const(_lines))
                if (line.startsWith(u"node\t"_s))
                    nodes.append(line.split(u'\t').mid(1));
        return nodes;
    }

    // Waits for an event whose text is `text`; whether it came.
    bool hears(const QString& text) {
        const auto heard = [&] {
            return std::any_of(_lines.cbegin(), _lines.cend(), [&](const QString& line) {
                return line.startsWith(u"event\t"_s) && line.section(u'\t', 4) == text;
            });
        };
        return QTest::qWaitFor(heard, 10000) || (qWarning() << _lines, false);
    }

private:
    QProcess _client;
    QStringList _lines;
};

bool hasNode(const QList<ScreenReader::Node>& nodes, const QString& role, const QString& name) {
    return std::any_of(nodes.cbegin(), nodes.cend(), [&](const ScreenReader::Node& node) {
        return (role.isEmpty() || node.value(0) == role) && node.value(1) == name;
    });
}

bool everyFocusableHasAName(const QList<ScreenReader::Node>& nodes) {
    return !nodes.isEmpty() &&
           std::none_of(nodes.cbegin(), nodes.cend(), [](const ScreenReader::Node& node) {
               return node.value(3) == u"1" && node.value(1).isEmpty() &&
                      (qWarning() << node.value(0) << "without a name", true);
           });
}

} // namespace

// The panel and Settings as assistive technology meets them on a virtual
// desktop: typing through IBus, where the composition shows in the field,
// the committed text is searched and the candidate window does not count as
// a click in another program; and a screen reader over a real accessibility
// bus. Each part is skipped where its service cannot start.
class TestX11AssistiveTech : public QObject {
    Q_OBJECT

public:
    TestX11AssistiveTech(VirtualDesktop& desktop, const QString& noInputMethod,
                         const QString& noScreenReader)
        : _desktop(desktop)
        , _noInputMethod(noInputMethod)
        , _noScreenReader(noScreenReader) {}

private Q_SLOTS:
    void composedTextIsSearchedAndThePanelStays();
    void panelAndSettingsTellAScreenReaderWhatTheyShow();

private:
    VirtualDesktop& _desktop;
    const QString _noInputMethod;
    const QString _noScreenReader;
};

void TestX11AssistiveTech::composedTextIsSearchedAndThePanelStays() {
    if (!_noInputMethod.isEmpty())
        QSKIP(qPrintable(_noInputMethod));
    PanelOnScreen panel({u"明 calendar"_s, u"alpha"_s});
    QSignalSpy losses(&panel.window, &KeyableWindow::deactivated);
    InputMethodRecorder recorder;

    // As the hotkey shows it: typing starts as soon as the window is active,
    // before the panel's own delayed focus.
    panel.show();
    panel.view->searchField()->installEventFilter(&recorder);
    QTRY_COMPARE(_desktop.activeWindow(), quint64(panel.window.winId()));
    // Qt hands keys to the input method only in its focus window, which it
    // learns from the focus event that follows the window manager's word.
    QTRY_COMPARE(QGuiApplication::focusWindow(), panel.window.windowHandle());
    // The engine's own process takes a while to start the first time, and the
    // daemon takes it asynchronously: keys sent before it says so go to the
    // previous one, uncomposed.
    QVERIFY(QTest::qWaitFor(
        [&] {
            const auto current = [&] { return _desktop.run(u"ibus"_s, {u"engine"_s}); };
            return _desktop.run(u"ibus"_s, {u"engine"_s, engine}) &&
                   QTest::qWaitFor(
                       [&] { return current().value_or(QString()).trimmed() == engine; }, 3000);
        },
        30000));
    QTRY_COMPARE(QGuiApplication::focusWindow(), panel.window.windowHandle());
    QVERIFY(_desktop.run(u"xdotool"_s, {u"key"_s, u"--delay"_s, u"60"_s, u"a"_s, u"b"_s}));
    QTRY_VERIFY2(!recorder.preedits.isEmpty(), "the input method never composed");
    QVERIFY(panel.view->searchText().isEmpty());

    // The candidate window is up: the panel keeps the activation and stays.
    QTest::qWait(500);
    QVERIFY(panel.window.isVisible());
    QCOMPARE(losses.count(), 0);

    QVERIFY(_desktop.run(u"xdotool"_s, {u"key"_s, u"space"_s}));
    QTRY_COMPARE(recorder.commits, QStringList{composed});
    QCOMPARE(panel.view->searchText(), composed);
    QTRY_COMPARE(panel.view->model().searchPipeline().currentQuery(),
                 std::optional<QString>(composed));
    QTRY_COMPARE(panel.view->model().resultItems().size(), 1);
    QCOMPARE(panel.view->model().resultItems().first().name, u"明 calendar"_s);
    QVERIFY(panel.window.isVisible());
    QCOMPARE(losses.count(), 0);
}

void TestX11AssistiveTech::panelAndSettingsTellAScreenReaderWhatTheyShow() {
    if (!_noScreenReader.isEmpty())
        QSKIP(qPrintable(_noScreenReader));
    PanelOnScreen panel({u"alpha"_s, u"alps"_s, u"altitude"_s},
                        {{u"greet"_s, u"Greet"_s, u"echo 'Hello from greet'\nexit 0\n"_s}});
    panel.show();
    QLineEdit* field = panel.view->searchField();
    QTRY_VERIFY(field->hasFocus());

    ScreenReader reader;
    QVERIFY2(reader.start(), "the AT-SPI client never found this program");
    const QList<ScreenReader::Node> nodes = reader.tree();
    QVERIFY2(hasNode(nodes, {}, u"Vantri launcher"_s), "the panel has no name");
    QVERIFY2(hasNode(nodes, u"text"_s, u"Search applications and scripts"_s),
             "the search field has no name");

    // The focus stays in the field; each move of the highlight is read, and
    // a script's output as it shows.
    QTest::keyClicks(field, u"al"_s);
    QVERIFY(reader.hears(u"Application, alpha, 1 of 3"_s));
    QTest::keyClick(field, Qt::Key_Down);
    QVERIFY(reader.hears(u"Application, alps, 2 of 3"_s));
    QVERIFY(field->hasFocus());
    QTest::keyClicks(field, u"zz"_s);
    QVERIFY(reader.hears(u"No results"_s));
    field->clear();
    QTest::keyClicks(field, u"greet"_s);
    QVERIFY(reader.hears(u"Command, greet, 1 of 1"_s));
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(reader.hears(u"Hello from greet"_s));
    QVERIFY(field->hasFocus());
    QVERIFY(hasNode(reader.tree(), u"label"_s, u"Hello from greet"_s));

    // In Settings, on each tab, every control the keyboard reaches has a
    // name to be read.
    panel.window.hide();
    SettingsState state;
    Settings settings(state.appState);
    settings.show();
    QVERIFY(QTest::qWaitForWindowExposed(&settings));
    for (int tab = 0; tab < 3; ++tab) {
        QTest::keyClick(&settings, Qt::Key_Tab, Qt::ControlModifier);
        QTRY_COMPARE(settings.selectedTab(), (tab + 1) % 3);
        QVERIFY(everyFocusableHasAName(reader.tree()));
    }
    settings.showShortcutPopup();
    QVERIFY(QTest::qWaitForWindowExposed(settings.shortcutPopup()));
    const QList<ScreenReader::Node> sheet = reader.tree();
    QVERIFY(std::any_of(sheet.cbegin(), sheet.cend(), [](const ScreenReader::Node& node) {
        return node.value(2) == u"Press the new combination"_s;
    }));
    QVERIFY(hasNode(sheet, u"check box"_s, u"Control"_s));
    QVERIFY(everyFocusableHasAName(sheet));
}

// The services the test starts on its session bus, ended before the bus.
struct BusServices {
    std::list<QProcess> processes;

    ~BusServices() {
        for (QProcess& process : processes) {
            process.terminate();
            if (!process.waitForFinished(3000))
                process.kill();
            process.waitForFinished();
        }
    }
    bool start(const QString& program, const QStringList& arguments) {
        QProcess& process = processes.emplace_back();
        process.start(program, arguments);
        return process.waitForStarted();
    }
};

// Starts IBus with the Cangjie engine; why it cannot, or nothing.
QString startInputMethod(BusServices& services) {
    if (!QFileInfo::exists(u"/usr/share/ibus-table/tables/cangjie5.db"_s))
        return u"the input method test needs ibus-table-cangjie5"_s;
    // The candidate window is the panel's (ibus-ui-gtk3), a window of another client.
    const auto ibusAnswers = [] {
        QProcess ibus;
        ibus.start(u"ibus"_s, {u"list-engine"_s});
        return ibus.waitForFinished() && ibus.exitCode() == 0;
    };
    if (!services.start(u"ibus-daemon"_s, {u"--replace"_s, u"--panel=/usr/libexec/ibus-ui-gtk3"_s,
                                           u"--config=/usr/libexec/ibus-memconf"_s}))
        return u"IBus does not start"_s;
    if (!QTest::qWaitFor(ibusAnswers, 20000))
        return u"IBus never answered"_s;
    qputenv("QT_IM_MODULE", "ibus");
    return {};
}

// Starts the accessibility bus and its registry, as a desktop session does;
// why it cannot, or nothing.
QString startAccessibilityBus(BusServices& services) {
    if (!QFileInfo::exists(u"/usr/lib/python3/dist-packages/pyatspi"_s))
        return u"the AT-SPI client needs python3-pyatspi"_s;
    const auto answers = [] {
        QProcess ping;
        ping.start(u"gdbus"_s, {u"call"_s, u"--session"_s, u"--dest"_s, u"org.freedesktop.DBus"_s,
                                u"--object-path"_s, u"/org/freedesktop/DBus"_s, u"--method"_s,
                                u"org.freedesktop.DBus.NameHasOwner"_s, u"org.a11y.Bus"_s});
        return ping.waitForFinished() && ping.readAllStandardOutput().contains("true");
    };
    if (!services.start(u"/usr/libexec/at-spi-bus-launcher"_s, {u"--launch-immediately"_s}) ||
        !QTest::qWaitFor(answers, 20000))
        return u"the accessibility bus does not start"_s;
    return {};
}

int main(int argc, char** argv) {
    VirtualDesktop desktop;
    if (const int setup = prepareX11Test(desktop); setup >= 0)
        return setup;
    PrivateSessionBus bus;
    if (!bus.isRunning()) {
        qInfo("SKIP: no session bus: %s", qPrintable(bus.errorString()));
        return VirtualDesktop::skipReturnCode;
    }
    BusServices services;
    // IBus keeps its bus address under the configuration folder: a folder of the test's own.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    const QString noInputMethod = startInputMethod(services);
    // The bridge to the accessibility bus is set up with the application.
    const QString noScreenReader = startAccessibilityBus(services);
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication application(argc, argv);
    TestX11AssistiveTech test(desktop, noInputMethod, noScreenReader);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11_assistivetech.moc"
