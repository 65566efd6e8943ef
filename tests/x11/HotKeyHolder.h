// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProcess>
#include <QString>

class VirtualDesktop;
struct ParsedShortcut;

// Another X client that grabs a key combination through the same platform
// layer: a copy of the running test program, started in holder mode. It
// answers "held" or "refused", then "pressed" for each press it receives.
class HotKeyHolder {
public:
    HotKeyHolder(const VirtualDesktop& desktop, const ParsedShortcut& shortcut);
    ~HotKeyHolder();
    HotKeyHolder(const HotKeyHolder&) = delete;
    HotKeyHolder& operator=(const HotKeyHolder&) = delete;

    // The next line the holder wrote; empty when it wrote none in time.
    QString readLine();
    // Lets the holder end, and with it its grab.
    bool stop();

    // The holder's side: runs when a test program is started as a holder.
    static bool isHolderInvocation(int argc, char** argv);
    static int runHolder(int argc, char** argv);

private:
    QProcess _process;
};
