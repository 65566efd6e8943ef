// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "VirtualDesktop.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class TempTree;

// The built program (VANTRI_BINARY) on a virtual desktop, each session with a
// runtime and a data folder of its own under `tree`, so that it never hands
// over to any other Vantri of this user, and all with ⌃⌥␣ saved as the
// hotkey. process() is the instance of the session "first"; the panel and the
// windows looked for are its own.
class VantriSession {
public:
    static inline const QString panelTitle = QStringLiteral("Vantri Launcher");

    VantriSession(VirtualDesktop& desktop, const TempTree& tree);
    ~VantriSession();
    VantriSession(const VantriSession&) = delete;
    VantriSession& operator=(const VantriSession&) = delete;

    QProcess& process() { return _vantri; }
    const QProcess& process() const { return _vantri; }

    QProcessEnvironment environment(const QString& session) const;
    // Starts `process` in `session`, with `settings` as its own variables
    // over the session's, and waits until its launch sequence has run.
    bool start(QProcess& process, const QString& session,
               const QProcessEnvironment& settings = {}) const;
    bool start() { return start(_vantri, QStringLiteral("first")); }
    // Runs vantri with `arguments` in `session` to its end; its exit code.
    int run(const QStringList& arguments, const QString& session = QStringLiteral("first")) const;
    // Asks the instance to quit and waits for it to end; whether it ended cleanly.
    bool quit();

    QList<VirtualDesktop::ShownWindow> shownWindows(const QString& title) const;
    // The panel's window, 0 while none is shown.
    quint64 shownPanel() const;
    // Presses `keys` and waits for the panel to be shown and active; the
    // panel's window, or 0 when it did not come.
    quint64 summonPanel(const QString& keys = QStringLiteral("ctrl+alt+space")) const;
    // Presses `keys` and waits for the panel to be hidden; whether it went.
    bool dismissPanel(const QString& keys = QStringLiteral("Escape")) const;
    // Waits for the shown `panel` to be `height` high: 60 for the field alone,
    // and 20 and 50 a row more while results are listed under it.
    bool panelHeightIs(quint64 panel, int height) const;
    // Summons the panel, types `query` over what it kept, waits for `rows`
    // results and presses Return.
    bool launch(const QString& query, int rows = 1) const;

private:
    VirtualDesktop& _desktop;
    const TempTree& _tree;
    QProcess _vantri;
};
