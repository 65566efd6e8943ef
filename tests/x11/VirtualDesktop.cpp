// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "VirtualDesktop.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int startTimeoutMs = 20000;

// The server and its clients end with the test program, even when it crashes.
void endWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

} // namespace

VirtualDesktop::VirtualDesktop(const QList<QSize>& monitors)
    : _monitors(monitors) {}

VirtualDesktop::~VirtualDesktop() {
    // Clients first, the server last.
    for (auto process = _processes.rbegin(); process != _processes.rend(); ++process) {
        (*process)->terminate();
        if (!(*process)->waitForFinished(5000)) {
            (*process)->kill();
            (*process)->waitForFinished(5000);
        }
    }
}

QString VirtualDesktop::serverProgram() const {
    return _monitors.isEmpty() ? u"Xvfb"_s : u"Xorg"_s;
}

QProcessEnvironment VirtualDesktop::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, _display);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

QProcess* VirtualDesktop::startClient(const QString& program, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    endWithParent(*process);
    process->setProcessEnvironment(environment());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(program, arguments);
    if (!process->waitForStarted()) {
        _error = u"cannot start %1: %2"_s.arg(program, process->errorString());
        return nullptr;
    }
    _processes.push_back(std::move(process));
    return _processes.back().get();
}

QStringList VirtualDesktop::serverArguments() {
    // -displayfd: the server picks a free display and writes its number once it
    // accepts connections, so there is neither a race nor a guess.
    const QStringList common{u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s};
    if (_monitors.isEmpty())
        return common + QStringList{u"-screen"_s, u"0"_s, u"1280x800x24"_s, u"-wr"_s};
    // Video memory enough for every monitor at the tallest one's height, in KiB.
    qint64 width = 0;
    qint64 height = 0;
    for (const QSize& monitor : _monitors) {
        width += monitor.width();
        height = std::max<qint64>(height, monitor.height());
    }
    const QString config = _serverFiles.filePath(u"xorg.conf"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    // No input devices of its own: xdotool types and clicks through XTEST.
    file.write(u"Section \"ServerFlags\" Option \"AutoAddDevices\" \"false\""
               " Option \"DontVTSwitch\" \"true\" EndSection\n"
               "Section \"Device\" Identifier \"dummy\" Driver \"dummy\" VideoRam %1 EndSection\n"
               "Section \"Monitor\" Identifier \"monitor\" HorizSync 5.0-1000.0"
               " VertRefresh 5.0-200.0 EndSection\n"
               "Section \"Screen\" Identifier \"screen\" Device \"dummy\" Monitor \"monitor\""
               " DefaultDepth 24 EndSection\n"_s.arg(width * height * 4 / 1024 + 4096)
                   .toUtf8());
    file.close();
    // The empty folder keeps the system's configuration snippets out.
    return common + QStringList{u"-config"_s,    config,
                                u"-configdir"_s, _serverFiles.filePath(u"conf.d"_s),
                                u"-logfile"_s,   _serverFiles.filePath(u"xorg.log"_s),
                                u"-noreset"_s,   u"-novtswitch"_s};
}

bool VirtualDesktop::startServer() {
    _serverFailed = true;
    QDir(_serverFiles.path()).mkdir(u"conf.d"_s);
    const QStringList arguments = serverArguments();
    if (arguments.isEmpty()) {
        _error = u"cannot write the X server's configuration"_s;
        return false;
    }
    auto server = std::make_unique<QProcess>();
    endWithParent(*server);
    const QString serverOutput = _serverFiles.filePath(u"server-output.txt"_s);
    // Xorg tells at length what it sets up; kept for when it fails.
    if (_monitors.isEmpty())
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        server->setStandardErrorFile(serverOutput);
    server->start(serverProgram(), arguments);
    if (!server->waitForStarted()) {
        _error = u"cannot start %1: %2"_s.arg(serverProgram(), server->errorString());
        return false;
    }
    QByteArray number;
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!number.contains('\n') && !deadline.hasExpired() &&
           server->state() == QProcess::Running) {
        server->waitForReadyRead(int(deadline.remainingTime()));
        number += server->readAllStandardOutput();
    }
    _processes.push_back(std::move(server));
    if (!number.contains('\n')) {
        QFile output(serverOutput);
        QStringList errors;
        if (output.open(QIODevice::ReadOnly))
            for (const QByteArray& line : output.readAll().split('\n'))
                if (line.startsWith("(EE)") && line.size() > 5)
                    errors.append(QString::fromLocal8Bit(line));
        _error =
            u"%1 did not report a display %2"_s.arg(serverProgram(), errors.join(QLatin1Char(' ')));
        return false;
    }
    _display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    _serverFailed = false;
    return true;
}

// Each monitor gets a mode of its exact size (60 Hz, as a monitor would
// announce it) on an output of the dummy driver, left to right.
bool VirtualDesktop::arrangeMonitors() const {
    QStringList layout;
    int left = 0;
    for (qsizetype index = 0; index < _monitors.size(); ++index) {
        const QSize size = _monitors.at(index);
        const QString mode = u"monitor%1"_s.arg(index);
        const QString output = u"DUMMY%1"_s.arg(index);
        const int totalWidth = size.width() + 24;
        const int totalHeight = size.height() + 3;
        const QString clock = QString::number(double(totalWidth) * totalHeight * 60 / 1e6, 'f', 2);
        QStringList modeLine{u"--newmode"_s, mode, clock};
        for (int offset : {0, 8, 16, 24})
            modeLine.append(QString::number(size.width() + offset));
        for (int offset : {0, 1, 2, 3})
            modeLine.append(QString::number(size.height() + offset));
        if (!run(u"xrandr"_s, modeLine) || !run(u"xrandr"_s, {u"--addmode"_s, output, mode}))
            return false;
        layout << u"--output"_s << output << u"--mode"_s << mode << u"--pos"_s
               << u"%1x0"_s.arg(left);
        if (index == 0)
            layout << u"--primary"_s;
        left += size.width();
    }
    return run(u"xrandr"_s, layout).has_value();
}

bool VirtualDesktop::start() {
    if (!startServer())
        return false;
    if (!_monitors.isEmpty() && !arrangeMonitors()) {
        _error = u"xrandr cannot set the monitors up"_s;
        return false;
    }

    if (!startClient(u"openbox"_s, {u"--sm-disable"_s}))
        return false;
    if (!waitForWindowManager()) {
        _error = u"openbox did not take over the display"_s;
        return false;
    }
    return true;
}

std::optional<QByteArray> VirtualDesktop::runForOutput(const QString& program,
                                                       const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(startTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

std::optional<QString> VirtualDesktop::run(const QString& program,
                                           const QStringList& arguments) const {
    const std::optional<QByteArray> output = runForOutput(program, arguments);
    if (!output)
        return std::nullopt;
    return QString::fromLocal8Bit(*output);
}

QImage VirtualDesktop::screenshot() const {
    const std::optional<QByteArray> png =
        runForOutput(u"import"_s, {u"-window"_s, u"root"_s, u"png:-"_s});
    return png ? QImage::fromData(*png, "PNG") : QImage();
}

QRect VirtualDesktop::shownGeometry(quint64 window) const {
    const std::optional<QString> info = run(u"xwininfo"_s, {u"-id"_s, QString::number(window)});
    const auto field = [&](const QString& name) {
        const QRegularExpression pattern(u"^\\s*%1:\\s*(\\S+)"_s.arg(name),
                                         QRegularExpression::MultilineOption);
        return pattern.match(info.value_or(QString())).captured(1);
    };
    if (field(u"Map State"_s) != QLatin1String("IsViewable"))
        return {};
    return QRect(field(u"Absolute upper-left X"_s).toInt(),
                 field(u"Absolute upper-left Y"_s).toInt(), field(u"Width"_s).toInt(),
                 field(u"Height"_s).toInt());
}

// Matched here rather than with xdotool's --name, which reads only WM_NAME
// and so misses a tray icon, whose title is in _NET_WM_NAME alone.
QList<VirtualDesktop::ShownWindow> VirtualDesktop::shownWindows(qint64 processId) const {
    const std::optional<QString> found = run(
        u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(processId)});
    QList<ShownWindow> windows;
    for (const QString& line : found.value_or(QString()).split(u'\n', Qt::SkipEmptyParts)) {
        const quint64 id = line.trimmed().toULongLong();
        const std::optional<QString> title =
            run(u"xdotool"_s, {u"getwindowname"_s, QString::number(id)});
        const QRect geometry = shownGeometry(id);
        if (title && !geometry.isEmpty())
            windows.append({id, title->trimmed(), geometry});
    }
    return windows;
}

bool VirtualDesktop::press(const QString& keys) const {
    return run(u"xdotool"_s, {u"key"_s, keys}).has_value();
}

bool VirtualDesktop::type(const QString& text) const {
    return run(u"xdotool"_s, {u"type"_s, text}).has_value();
}

bool VirtualDesktop::clickAt(const QPoint& point, int button) const {
    return run(u"xdotool"_s, {u"mousemove"_s, QString::number(point.x()),
                              QString::number(point.y()), u"click"_s, QString::number(button)})
        .has_value();
}

quint64 VirtualDesktop::waitForShown(const QString& match, const QString& pattern) const {
    const std::optional<QString> found =
        run(u"xdotool"_s, {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, match, pattern});
    return found ? found->section(u'\n', 0, 0).toULongLong() : 0;
}

quint64 VirtualDesktop::showOtherProgram(const QString& geometry) {
    const QString name = u"other%1"_s.arg(_processes.size());
    return startClient(u"xmessage"_s, {u"-name"_s, name, u"-geometry"_s, geometry, name})
               ? waitForShown(u"--classname"_s, u"^%1$"_s.arg(name))
               : 0;
}

bool VirtualDesktop::startTrayHost() {
    return startClient(u"trayer"_s, {u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s,
                                     u"--widthtype"_s, u"request"_s, u"--height"_s, u"24"_s}) &&
           waitForShown(u"--class"_s, u"trayer"_s) != 0;
}

quint64 VirtualDesktop::activeWindow() const {
    // xdotool fails when no window is active.
    const std::optional<QString> active = run(u"xdotool"_s, {u"getactivewindow"_s});
    return active ? active->trimmed().toULongLong() : 0;
}

bool VirtualDesktop::waitForWindowManager() const {
    // A window mapped while openbox is still starting up may be taken over and
    // dropped again at once. Once openbox keeps a probe window of its own
    // managed, it is past that stage.
    const auto probeIsManaged = [this] {
        const auto window = run(u"xdotool"_s, {u"search"_s, u"--classname"_s, u"^probe$"_s});
        const auto state =
            window && !window->trimmed().isEmpty()
                ? run(u"xprop"_s, {u"-id"_s, window->section(u'\n', 0, 0), u"WM_STATE"_s})
                : std::nullopt;
        return state && state->contains(QLatin1String("Normal"));
    };
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired()) {
        QProcess probe;
        probe.setProcessEnvironment(environment());
        probe.start(u"xmessage"_s, {u"-name"_s, u"probe"_s, u"window manager probe"_s});
        const bool managed = probe.waitForStarted() && QTest::qWaitFor(probeIsManaged, 2000);
        probe.kill();
        probe.waitForFinished();
        if (managed)
            return true;
    }
    return false;
}

bool VirtualDesktop::startCompositor() {
    _compositor = startClient(u"xcompmgr"_s, {});
    return _compositor != nullptr;
}

void VirtualDesktop::stopCompositor() {
    if (!_compositor)
        return;
    _compositor->terminate();
    _compositor->waitForFinished(5000);
    _compositor = nullptr;
}

int prepareX11Test(VirtualDesktop& desktop) {
    if (QStandardPaths::findExecutable(desktop.serverProgram()).isEmpty()) {
        qInfo("SKIP: %s is not installed", qPrintable(desktop.serverProgram()));
        return VirtualDesktop::skipReturnCode;
    }
    const bool started = desktop.start();
    // Xorg needs rights a test may not have (root, or a console of its own).
    if (!started && desktop.serverFailed() && desktop.serverProgram() != QLatin1String("Xvfb")) {
        qInfo("SKIP: %s", qPrintable(desktop.errorString()));
        return VirtualDesktop::skipReturnCode;
    }
    if (!started) {
        qCritical("cannot set up the virtual desktop: %s", qPrintable(desktop.errorString()));
        return 1;
    }
    qputenv("DISPLAY", desktop.display().toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
    return -1;
}
