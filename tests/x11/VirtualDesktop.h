// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "HotKeyHolder.h"

#include <QApplication>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <vector>

// A private X server (Xvfb) with a window manager, for tests that need real
// windows, a real keyboard and real key grabs. Everything it starts is
// stopped when it is destroyed.
class VirtualDesktop {
public:
    // CTest's return code for a skipped test.
    static constexpr int skipReturnCode = 77;

    // One 1280 by 800 screen on Xvfb, or, given `monitors`, those monitors side
    // by side from the left, the first one primary, each a RandR output of its
    // own as with a graphics card: Xorg with its dummy video driver.
    explicit VirtualDesktop(const QList<QSize>& monitors = {});
    ~VirtualDesktop();
    VirtualDesktop(const VirtualDesktop&) = delete;
    VirtualDesktop& operator=(const VirtualDesktop&) = delete;

    // The X server's program.
    QString serverProgram() const;

    // Starts the X server on a free display (Xvfb with a white root window),
    // sets its monitors up, then starts openbox.
    bool start();
    QString errorString() const { return _error; }
    // Whether a failed start failed for the X server itself, which Xorg does
    // without the rights to run a display of its own.
    bool serverFailed() const { return _serverFailed; }

    QString display() const { return _display; }
    // The calling process's environment with DISPLAY pointing here.
    QProcessEnvironment environment() const;

    // Runs an X client tool (xdotool, xprop, xwininfo, import, ...) to its end
    // on this display; its standard output, or nothing when it failed.
    std::optional<QString> run(const QString& program, const QStringList& arguments) const;

    // The whole screen as it is shown now; a null image when it cannot be taken.
    QImage screenshot() const;
    // Where a window is shown on the screen, as xwininfo reports it; an empty
    // rectangle while it is not mapped and viewable.
    QRect shownGeometry(quint64 window) const;
    struct ShownWindow {
        quint64 id = 0;
        QString title;
        QRect geometry;
    };
    // The shown windows of a process, with their titles.
    QList<ShownWindow> shownWindows(qint64 processId) const;
    // The window the window manager considers active, 0 when none.
    quint64 activeWindow() const;

    // The user's hands, through xdotool: key combinations such as
    // "ctrl+alt+space", typed text, and clicks at a point of the screen.
    bool press(const QString& keys) const;
    bool type(const QString& text) const;
    bool clickAt(const QPoint& point, int button = 1) const;

    // Starts another program, kept until the desktop ends, whose window
    // covers (20, 20)-(320, 120) or `geometry`, and waits until it is shown;
    // a click there gives it the activation. Its window, 0 when none came.
    quint64 showOtherProgram(const QString& geometry = QStringLiteral("300x100+20+20"));
    // Starts a tray host (trayer) along the top edge, kept until the desktop
    // ends, and waits until it is shown, so that a program started afterwards
    // finds a tray.
    bool startTrayHost();

    // Starts or stops a compositing manager; it owns the compositor selection
    // shortly after it starts.
    bool startCompositor();
    void stopCompositor();

private:
    QStringList serverArguments();
    bool startServer();
    bool arrangeMonitors() const;
    std::optional<QByteArray> runForOutput(const QString& program,
                                           const QStringList& arguments) const;
    QProcess* startClient(const QString& program, const QStringList& arguments);
    // Waits until a window is shown that xdotool's `match` (--class,
    // --classname) finds by `pattern`; its id, or 0.
    quint64 waitForShown(const QString& match, const QString& pattern) const;
    bool waitForWindowManager() const;

    const QList<QSize> _monitors;
    QTemporaryDir _serverFiles;
    std::vector<std::unique_ptr<QProcess>> _processes;
    QProcess* _compositor = nullptr;
    QString _display;
    QString _error;
    bool _serverFailed = false;
};

// Starts the desktop and points this process at it; -1 on success, otherwise
// the code main() should return.
int prepareX11Test(VirtualDesktop& desktop);

// Runs a QtTest class that needs an X server on a fresh virtual desktop (with
// `monitors`, as VirtualDesktop takes them), or reports it skipped where the X
// server is not installed or, for Xorg, cannot run. The class is constructed
// with the desktop. Started as a HotKeyHolder, the program holds a hotkey.
template <typename TestClass>
int runX11Test(int argc, char** argv, const QList<QSize>& monitors = {}) {
    if (HotKeyHolder::isHolderInvocation(argc, argv))
        return HotKeyHolder::runHolder(argc, argv);
    VirtualDesktop desktop(monitors);
    const int setup = prepareX11Test(desktop);
    if (setup >= 0)
        return setup;
    QApplication application(argc, argv);
    TestClass test(desktop);
    return QTest::qExec(&test, argc, argv);
}

#define VANTRI_X11_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char** argv) {                                                              \
        return runX11Test<TestClass>(argc, argv);                                                  \
    }
