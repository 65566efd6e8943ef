#include "VirtualDesktop.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTest>

namespace {
constexpr int startTimeoutMs = 20000;
}

VirtualDesktop::VirtualDesktop() = default;

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

bool VirtualDesktop::serverInstalled() {
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
}

QProcessEnvironment VirtualDesktop::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), _display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

QProcess* VirtualDesktop::startClient(const QString& program, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
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

bool VirtualDesktop::start() {
    auto server = std::make_unique<QProcess>();
    server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // -displayfd: the server picks a free display and writes its number once it
    // accepts connections, so there is neither a race nor a guess.
    server->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"), QStringLiteral("-wr")});
    if (!server->waitForStarted()) {
        _error = QStringLiteral("cannot start Xvfb: %1").arg(server->errorString());
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
        _error = QStringLiteral("Xvfb did not report a display");
        return false;
    }
    _display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    if (!startClient(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}))
        return false;
    if (!waitForRootProperty(QStringLiteral("_NET_SUPPORTING_WM_CHECK"), true)) {
        _error = QStringLiteral("openbox did not take over the display");
        return false;
    }
    return true;
}

std::optional<QString> VirtualDesktop::run(const QString& program,
                                           const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(startTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s %s failed: %s (exit code %d)", qPrintable(program),
                 qPrintable(arguments.join(QLatin1Char(' '))), qPrintable(process.errorString()),
                 process.exitCode());
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool VirtualDesktop::waitForRootProperty(const QString& property, bool present) const {
    // xprop prints "not found." for a property the root window does not carry.
    return QTest::qWaitFor(
        [&] {
            const auto answer = run(QStringLiteral("xprop"), {QStringLiteral("-root"), property});
            return answer && answer->contains(QLatin1String("not found")) != present;
        },
        startTimeoutMs);
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
    if (!VirtualDesktop::serverInstalled()) {
        qInfo("SKIP: Xvfb is not installed");
        return VirtualDesktop::skipReturnCode;
    }
    if (!desktop.start()) {
        qCritical("cannot set up the virtual desktop: %s", qPrintable(desktop.errorString()));
        return 1;
    }
    qputenv("DISPLAY", desktop.display().toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
    return -1;
}
