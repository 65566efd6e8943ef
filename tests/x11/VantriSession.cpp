// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "VantriSession.h"

#include "TempTree.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

VantriSession::VantriSession(VirtualDesktop& desktop, const TempTree& tree)
    : _desktop(desktop)
    , _tree(tree) {
    openPreferences()->setValue(PreferenceKeys::savedShortcut, u"⌃⌥␣"_s);
}

VantriSession::~VantriSession() {
    if (_vantri.state() != QProcess::NotRunning) {
        _vantri.kill();
        _vantri.waitForFinished();
    }
}

QProcessEnvironment VantriSession::environment(const QString& session) const {
    const QString runtime = _tree.makeDir(session + u"/runtime"_s);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = _desktop.environment();
    // Vantri chooses X11 itself, as in a desktop session, where nothing names
    // a platform: a choice that reached what it starts would show.
    environment.remove(u"QT_QPA_PLATFORM"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    environment.insert(u"XDG_DATA_HOME"_s, _tree.makeDir(session + u"/data"_s));
    return environment;
}

bool VantriSession::start(QProcess& process, const QString& session,
                          const QProcessEnvironment& settings) const {
    QProcessEnvironment environment = this->environment(session);
    environment.insert(settings);
    const QString indexFile = environment.value(u"XDG_DATA_HOME"_s) + u"/Vantri/appIndex.json"_s;
    QFile::remove(indexFile);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    // The full program itself, so that this process is the instance.
    process.start(qEnvironmentVariable("VANTRI_APP_BINARY"), {});
    // The index file is written a moment after the launch sequence, and with
    // it the hotkey registration, has run.
    return process.waitForStarted() && QTest::qWaitFor(
                                           [&] {
                                               return process.state() == QProcess::Running &&
                                                      QFileInfo(indexFile).size() > 0;
                                           },
                                           30000);
}

int VantriSession::run(const QStringList& arguments, const QString& session) const {
    QProcess process;
    process.setProcessEnvironment(environment(session));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

bool VantriSession::quit() {
    return run({u"quit"_s}) == 0 && _vantri.waitForFinished(30000) &&
           _vantri.exitStatus() == QProcess::NormalExit && _vantri.exitCode() == 0;
}

QList<VirtualDesktop::ShownWindow> VantriSession::shownWindows(const QString& title) const {
    QList<VirtualDesktop::ShownWindow> windows = _desktop.shownWindows(_vantri.processId());
    windows.removeIf(
        [&](const VirtualDesktop::ShownWindow& window) { return window.title != title; });
    return windows;
}

quint64 VantriSession::shownPanel() const {
    const auto panels = shownWindows(panelTitle);
    return panels.isEmpty() ? 0 : panels.first().id;
}

quint64 VantriSession::summonPanel(const QString& keys) const {
    quint64 panel = 0;
    return _desktop.press(keys) && QTest::qWaitFor([&] {
               return (panel = shownPanel()) != 0 && _desktop.activeWindow() == panel;
           })
               ? panel
               : 0;
}

bool VantriSession::dismissPanel(const QString& keys) const {
    return _desktop.press(keys) && QTest::qWaitFor([&] { return shownPanel() == 0; });
}

bool VantriSession::panelHeightIs(quint64 panel, int height) const {
    return QTest::qWaitFor([&] { return _desktop.shownGeometry(panel).height() == height; });
}

bool VantriSession::launch(const QString& query, int rows) const {
    const quint64 panel = summonPanel();
    // The kept query and whatever it listed go first (the field selects it at
    // each show), so that the list waited for is the new query's own.
    return panel != 0 && _desktop.press(u"BackSpace"_s) && panelHeightIs(panel, 60) &&
           _desktop.type(query) && panelHeightIs(panel, 60 + 20 + 50 * rows) &&
           _desktop.press(u"Return"_s);
}
