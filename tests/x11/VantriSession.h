#pragma once

#include "VirtualDesktop.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class TempTree;

// The built program (VANTRI_BINARY) on a virtual desktop, in a session of its
// own: a runtime and a data folder under `name` in `tree`, so that it never
// hands over to another Vantri of this user. Preferences are the test
// process's own (its isolated config folder).
class VantriSession {
public:
    VantriSession(const VirtualDesktop& desktop, const TempTree& tree, const QString& name);

    QProcessEnvironment environment() const { return _environment; }
    // Starts the instance and waits until its launch sequence has run (its
    // index file is written a moment after).
    bool start(QProcess& instance) const;
    // Runs vantri with `arguments` to its end; its exit code, -1 when it crashed or hung.
    int run(const QStringList& arguments) const;
    // The windows `instance` shows with the title `title`.
    QList<VirtualDesktop::ShownWindow> shownWindows(const QProcess& instance,
                                                    const QString& title) const;

private:
    const VirtualDesktop& _desktop;
    QProcessEnvironment _environment;
};
