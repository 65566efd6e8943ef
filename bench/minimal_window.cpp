// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The floor of bench/cold_start.sh: the least a Qt 6 Widgets program does to
// put a panel like Vantri's on screen (a frameless, always-on-top tool window
// of 600 × 60), and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.resize(600, 60);
    panel.show();
    return QApplication::exec();
}
