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
    return _monitors.isEmpty() ? QStringLiteral("Xvfb") : QStringLiteral("Xorg");
}

bool VirtualDesktop::serverInstalled() const {
    return !QStandardPaths::findExecutable(serverProgram()).isEmpty();
}

QProcessEnvironment VirtualDesktop::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), _display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
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
        _error = QStringLiteral("cannot start %1: %2").arg(program, process->errorString());
        return nullptr;
    }
    _processes.push_back(std::move(process));
    return _processes.back().get();
}

QStringList VirtualDesktop::serverArguments() {
    // -displayfd: the server picks a free display and writes its number once it
    // accepts connections, so there is neither a race nor a guess.
    const QStringList common{QStringLiteral("-displayfd"), QStringLiteral("1"),
                             QStringLiteral("-nolisten"), QStringLiteral("tcp")};
    if (_monitors.isEmpty())
        return common + QStringList{QStringLiteral("-screen"), QStringLiteral("0"),
                                    QStringLiteral("1280x800x24"), QStringLiteral("-wr")};
    // Video memory enough for every monitor at the tallest one's height, in KiB.
    qint64 width = 0;
    qint64 height = 0;
    for (const QSize& monitor : _monitors) {
        width += monitor.width();
        height = std::max<qint64>(height, monitor.height());
    }
    const QString config = _serverFiles.filePath(QStringLiteral("xorg.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    // No input devices of its own: xdotool types and clicks through XTEST.
    file.write(QStringLiteral("Section \"ServerFlags\"\n"
                              "    Option \"AutoAddDevices\" \"false\"\n"
                              "    Option \"DontVTSwitch\" \"true\"\n"
                              "EndSection\n"
                              "Section \"Device\"\n"
                              "    Identifier \"dummy\"\n"
                              "    Driver \"dummy\"\n"
                              "    VideoRam %1\n"
                              "EndSection\n"
                              "Section \"Monitor\"\n"
                              "    Identifier \"monitor\"\n"
                              "    HorizSync 5.0-1000.0\n"
                              "    VertRefresh 5.0-200.0\n"
                              "EndSection\n"
                              "Section \"Screen\"\n"
                              "    Identifier \"screen\"\n"
                              "    Device \"dummy\"\n"
                              "    Monitor \"monitor\"\n"
                              "    DefaultDepth 24\n"
                              "EndSection\n")
                   .arg(width * height * 4 / 1024 + 4096)
                   .toUtf8());
    file.close();
    // The empty folder keeps the system's configuration snippets out.
    return common +
           QStringList{
               QStringLiteral("-config"),    config,
               QStringLiteral("-configdir"), _serverFiles.filePath(QStringLiteral("conf.d")),
               QStringLiteral("-logfile"),   _serverFiles.filePath(QStringLiteral("xorg.log")),
               QStringLiteral("-noreset"),   QStringLiteral("-novtswitch")};
}

bool VirtualDesktop::startServer() {
    _serverFailed = true;
    QDir(_serverFiles.path()).mkdir(QStringLiteral("conf.d"));
    const QStringList arguments = serverArguments();
    if (arguments.isEmpty()) {
        _error = QStringLiteral("cannot write the X server's configuration");
        return false;
    }
    auto server = std::make_unique<QProcess>();
    endWithParent(*server);
    const QString serverOutput = _serverFiles.filePath(QStringLiteral("server-output.txt"));
    // Xorg tells at length what it sets up; kept for when it fails.
    if (_monitors.isEmpty())
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        server->setStandardErrorFile(serverOutput);
    server->start(serverProgram(), arguments);
    if (!server->waitForStarted()) {
        _error = QStringLiteral("cannot start %1: %2").arg(serverProgram(), server->errorString());
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
        _error = QStringLiteral("%1 did not report a display %2")
                     .arg(serverProgram(), errors.join(QLatin1Char(' ')));
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
        const QString mode = QStringLiteral("monitor%1").arg(index);
        const QString output = QStringLiteral("DUMMY%1").arg(index);
        const int totalWidth = size.width() + 24;
        const int totalHeight = size.height() + 3;
        const QString clock = QString::number(double(totalWidth) * totalHeight * 60 / 1e6, 'f', 2);
        QStringList modeLine{QStringLiteral("--newmode"), mode, clock};
        for (int offset : {0, 8, 16, 24})
            modeLine.append(QString::number(size.width() + offset));
        for (int offset : {0, 1, 2, 3})
            modeLine.append(QString::number(size.height() + offset));
        if (!run(QStringLiteral("xrandr"), modeLine) ||
            !run(QStringLiteral("xrandr"), {QStringLiteral("--addmode"), output, mode}))
            return false;
        layout << QStringLiteral("--output") << output << QStringLiteral("--mode") << mode
               << QStringLiteral("--pos") << QStringLiteral("%1x0").arg(left);
        if (index == 0)
            layout << QStringLiteral("--primary");
        left += size.width();
    }
    return run(QStringLiteral("xrandr"), layout).has_value();
}

bool VirtualDesktop::start() {
    if (!startServer())
        return false;
    if (!_monitors.isEmpty() && !arrangeMonitors()) {
        _error = QStringLiteral("xrandr cannot set the monitors up");
        return false;
    }

    if (!startClient(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}))
        return false;
    if (!waitForWindowManager()) {
        _error = QStringLiteral("openbox did not take over the display");
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
        runForOutput(QStringLiteral("import"),
                     {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    return png ? QImage::fromData(*png, "PNG") : QImage();
}

std::optional<VirtualDesktop::WindowState> VirtualDesktop::windowState(quint64 window) const {
    const std::optional<QString> info =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    if (!info)
        return std::nullopt;
    const auto field = [&](const QString& name) {
        const QRegularExpression pattern(QStringLiteral("^\\s*%1:\\s*(\\S+)").arg(name),
                                         QRegularExpression::MultilineOption);
        return pattern.match(*info).captured(1);
    };
    WindowState state;
    state.viewable = field(QStringLiteral("Map State")) == QLatin1String("IsViewable");
    state.geometry =
        QRect(field(QStringLiteral("Absolute upper-left X")).toInt(),
              field(QStringLiteral("Absolute upper-left Y")).toInt(),
              field(QStringLiteral("Width")).toInt(), field(QStringLiteral("Height")).toInt());
    return state;
}

QRect VirtualDesktop::shownGeometry(quint64 window) const {
    const std::optional<WindowState> state = windowState(window);
    return state && state->viewable ? state->geometry : QRect();
}

// Matched here rather than with xdotool's --name, which reads only WM_NAME
// and so misses a tray icon, whose title is in _NET_WM_NAME alone.
QList<VirtualDesktop::ShownWindow> VirtualDesktop::shownWindows(qint64 processId) const {
    const std::optional<QString> found =
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"), QString::number(processId)});
    QList<ShownWindow> windows;
    for (const QString& line : found.value_or(QString()).split(u'\n', Qt::SkipEmptyParts)) {
        const quint64 id = line.trimmed().toULongLong();
        const std::optional<QString> title =
            run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(id)});
        const QRect geometry = shownGeometry(id);
        if (title && !geometry.isEmpty())
            windows.append({id, title->trimmed(), geometry});
    }
    return windows;
}

bool VirtualDesktop::press(const QString& keys) const {
    return run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}).has_value();
}

bool VirtualDesktop::type(const QString& text) const {
    return run(QStringLiteral("xdotool"), {QStringLiteral("type"), text}).has_value();
}

bool VirtualDesktop::clickAt(const QPoint& point, int button) const {
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                QStringLiteral("click"), QString::number(button)})
        .has_value();
}

bool VirtualDesktop::showOtherProgram(QProcess& program) const {
    program.setProcessEnvironment(environment());
    program.start(QStringLiteral("xmessage"),
                  {QStringLiteral("-geometry"), QStringLiteral("300x100+20+20"),
                   QStringLiteral("another program")});
    return program.waitForStarted() &&
           run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--class"), QStringLiteral("Xmessage")})
               .has_value();
}

bool VirtualDesktop::startTrayHost(QProcess& host) const {
    host.setProcessEnvironment(environment());
    host.start(QStringLiteral("trayer"),
               {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                QStringLiteral("--height"), QStringLiteral("24")});
    return host.waitForStarted() &&
           run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--class"), QStringLiteral("trayer")})
               .has_value();
}

quint64 VirtualDesktop::activeWindow() const {
    // xdotool fails when no window is active.
    const std::optional<QString> active =
        run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
    return active ? active->trimmed().toULongLong() : 0;
}

bool VirtualDesktop::probeWindowManager(int timeoutMs) const {
    QProcess probe;
    probe.setProcessEnvironment(environment());
    probe.start(QStringLiteral("xmessage"), {QStringLiteral("-name"), QStringLiteral("probe"),
                                             QStringLiteral("window manager probe")});
    if (!probe.waitForStarted())
        return false;
    const bool managed = QTest::qWaitFor(
        [&] {
            const auto window = run(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--classname"),
                                     QStringLiteral("^probe$")});
            if (!window || window->trimmed().isEmpty())
                return false;
            const auto state = run(QStringLiteral("xprop"),
                                   {QStringLiteral("-id"), window->section(QLatin1Char('\n'), 0, 0),
                                    QStringLiteral("WM_STATE")});
            return state && state->contains(QLatin1String("Normal"));
        },
        timeoutMs);
    probe.kill();
    probe.waitForFinished();
    return managed;
}

bool VirtualDesktop::waitForWindowManager() const {
    // A window mapped while openbox is still starting up may be taken over and
    // dropped again at once. Once openbox keeps a probe window of its own
    // managed, it is past that stage.
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired())
        if (probeWindowManager(2000))
            return true;
    return false;
}

bool VirtualDesktop::startCompositor() {
    _compositor = startClient(QStringLiteral("xcompmgr"), {});
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
    if (!desktop.serverInstalled()) {
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
