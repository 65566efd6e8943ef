// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HotKeyHolder.h"

#include "VirtualDesktop.h"
#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutParser.h"
#include "platform/x11/X11HotKeyGrab.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const char* const holderArgument = "--hold-hotkey";
}

HotKeyHolder::HotKeyHolder(const VirtualDesktop& desktop, const ParsedShortcut& shortcut) {
    QProcessEnvironment environment = desktop.environment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    _process.setProcessEnvironment(environment);
    _process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    _process.start(QCoreApplication::applicationFilePath(),
                   {QString::fromLatin1(holderArgument), QString::number(shortcut.keyCode),
                    QString::number(x11ModifiersForMask(shortcut.modifiers))});
}

HotKeyHolder::~HotKeyHolder() {
    if (!stop()) {
        _process.kill();
        _process.waitForFinished();
    }
}

QString HotKeyHolder::readLine() {
    while (!_process.canReadLine() && _process.waitForReadyRead(20000)) {
    }
    return QString::fromLatin1(_process.readLine()).trimmed();
}

bool HotKeyHolder::stop() {
    if (_process.state() == QProcess::NotRunning)
        return true;
    _process.closeWriteChannel();
    return _process.waitForFinished();
}

bool HotKeyHolder::isHolderInvocation(int argc, char** argv) {
    return argc == 4 && std::strcmp(argv[1], holderArgument) == 0;
}

int HotKeyHolder::runHolder(int argc, char** argv) {
    QApplication application(argc, argv);
    const auto say = [](const char* line) {
        std::printf("%s\n", line);
        std::fflush(stdout);
    };
    X11HotKeyGrab grab(QByteArray(argv[2]).toUInt(), quint16(QByteArray(argv[3]).toUInt()),
                       [&] { say("pressed"); });
    say(grab.isActive() ? "held" : "refused");
    // Holds on until the test closes the holder's standard input.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}
