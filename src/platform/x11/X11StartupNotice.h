// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <optional>

// Startup notification on X11. A start is announced on the root window
// ("new:") under an id that the started program finds in DESKTOP_STARTUP_ID;
// its toolkit ends the notice when its first window shows, and the window
// manager gives that window the focus the user's key press earned (the id
// carries the time of the request). The messages go out on a connection of
// their own, opened on the first announcement and kept, so that waiting for
// the server's time never touches the connection the windows live on.
struct StartupNotice {
    QString name;
    QString icon;
    // The program started, as the window manager may show it.
    QString binary;
    // The entry's path.
    QString applicationId;
};

// Announces a start; its id, or nothing where Vantri does not run on X11 or
// its X server cannot be reached. Waits at most a fraction of a second.
std::optional<QString> announceX11Startup(const StartupNotice& notice);
// Ends the notice of a start that failed.
void withdrawX11Startup(const QString& id);

// The text of a message, "new: ID=\"...\" NAME=\"...\"": each value quoted,
// its quotes and backslashes escaped.
QByteArray x11StartupMessage(const QByteArray& kind,
                             const QList<std::pair<QByteArray, QString>>& fields);
// The message as the 20-byte pieces of the client messages that carry it,
// ended by a zero byte and padded with zeros.
QByteArrayList x11StartupMessagePieces(const QByteArray& message);
