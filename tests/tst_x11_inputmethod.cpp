// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "SessionBus.h"
#include "VirtualDesktop.h"
#include "app/window/KeyableWindow.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherModel.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "ui/panel/LauncherView.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

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

QStringList names(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name);
    return result;
}

} // namespace

// Typing through IBus into the panel on a virtual desktop: the composition
// shows in the field, the committed text is searched, and the candidate
// window does not count as a click in another program.
class TestX11InputMethod : public QObject {
    Q_OBJECT

public:
    explicit TestX11InputMethod(VirtualDesktop& desktop)
        : _desktop(desktop) {}

private Q_SLOTS:
    void composedTextIsSearchedAndThePanelStays();

private:
    VirtualDesktop& _desktop;
};

void TestX11InputMethod::composedTextIsSearchedAndThePanelStays() {
    TempTree tree;
    AppIndexManager apps(QStringList(),
                         LauncherFixture::writeIndexFile(tree, {u"明 calendar"_s, u"alpha"_s}));
    ScriptManager scripts;
    auto* view = new LauncherView(
        scripts, apps, [] {}, [] {});
    KeyableWindow window(false);
    window.setContentView(view);
    window.place({340, 200}, LauncherView::searchAreaWidth);
    window.setContentHeight(view->contentHeight());
    QObject::connect(view, &LauncherView::contentHeightChanged, &window,
                     &KeyableWindow::setContentHeight);
    QSignalSpy losses(&window, &KeyableWindow::deactivated);
    InputMethodRecorder recorder;

    // As the hotkey shows it: typing starts as soon as the window is active,
    // before the panel's own delayed focus.
    window.show();
    view->completeContent();
    view->searchField()->installEventFilter(&recorder);
    window.activateWindow();
    QTRY_COMPARE(_desktop.activeWindow(), quint64(window.winId()));
    // Qt hands keys to the input method only in its focus window, which it
    // learns from the focus event that follows the window manager's word.
    QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
    // The engine's own process takes a while to start the first time.
    QVERIFY(QTest::qWaitFor(
        [&] {
            return _desktop.run(u"ibus"_s, {u"engine"_s, engine}).has_value();
        },
        30000));
    // The daemon takes the engine asynchronously: keys sent before it says so
    // go to the previous one, uncomposed.
    QVERIFY(QTest::qWaitFor(
        [&] {
            const std::optional<QString> current = _desktop.run(u"ibus"_s, {u"engine"_s});
            return current && current->trimmed() == engine;
        },
        30000));
    QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
    QVERIFY(_desktop.run(u"xdotool"_s, {u"key"_s, u"--delay"_s, u"60"_s, u"a"_s, u"b"_s}));
    QTRY_VERIFY2(!recorder.preedits.isEmpty(), "the input method never composed");
    QVERIFY(view->searchText().isEmpty());

    // The candidate window is up: the panel keeps the activation and stays.
    const QImage shot = _desktop.screenshot();
    if (const QByteArray folder = qgetenv("SCREENSHOT_DIR"); !folder.isEmpty())
        shot.save(QString::fromLocal8Bit(folder) + u"/panel-input-method-preedit.png"_s);
    QTest::qWait(500);
    QVERIFY(window.isVisible());
    QCOMPARE(losses.count(), 0);

    QVERIFY(_desktop.run(u"xdotool"_s, {u"key"_s, u"space"_s}));
    QTRY_COMPARE(recorder.commits, QStringList{composed});
    QCOMPARE(view->searchText(), composed);
    QTRY_COMPARE(view->model().searchPipeline().currentQuery(), std::optional<QString>(composed));
    QTRY_COMPARE(names(view->model().resultItems()), QStringList{u"明 calendar"_s});
    QVERIFY(window.isVisible());
    QCOMPARE(losses.count(), 0);
}

int main(int argc, char** argv) {
    VirtualDesktop desktop;
    if (const int setup = prepareX11Test(desktop); setup >= 0)
        return setup;
    SessionBus bus;
    if (!bus.start()) {
        qInfo("SKIP: no session bus: %s", qPrintable(bus.errorString()));
        return VirtualDesktop::skipReturnCode;
    }
    if (!QFileInfo::exists(u"/usr/share/ibus-table/tables/cangjie5.db"_s)) {
        qInfo("SKIP: the input method test needs ibus-table-cangjie5");
        return VirtualDesktop::skipReturnCode;
    }
    // IBus keeps its bus address under the configuration folder: a folder of the test's own.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    // The candidate window is the panel's (ibus-ui-gtk3), a window of another client.
    const auto ibusAnswers = [] {
        QProcess ibus;
        ibus.start(u"ibus"_s, {u"list-engine"_s});
        return ibus.waitForFinished() && ibus.exitCode() == 0;
    };
    if (!bus.startProcess(u"ibus-daemon"_s, {u"--replace"_s, u"--panel=/usr/libexec/ibus-ui-gtk3"_s,
                                             u"--config=/usr/libexec/ibus-memconf"_s}) ||
        !QTest::qWaitFor(ibusAnswers, 20000)) {
        qInfo("SKIP: IBus does not start: %s",
              qPrintable(bus.errorString().isEmpty() ? u"it never answered"_s : bus.errorString()));
        return VirtualDesktop::skipReturnCode;
    }
    qputenv("QT_IM_MODULE", "ibus");
    QApplication application(argc, argv);
    TestX11InputMethod test(desktop);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11_inputmethod.moc"
