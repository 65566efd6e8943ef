#include "VantriSession.h"

#include "TempTree.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

VantriSession::VantriSession(const VirtualDesktop& desktop, const TempTree& tree,
                             const QString& name)
    : _desktop(desktop)
    , _environment(desktop.environment()) {
    const QString runtime = tree.makeDir(name + QStringLiteral("/runtime"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    _environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    _environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    _environment.insert(QStringLiteral("XDG_DATA_HOME"),
                        tree.makeDir(name + QStringLiteral("/data")));
}

bool VantriSession::start(QProcess& instance) const {
    const QString indexFile = _environment.value(QStringLiteral("XDG_DATA_HOME")) +
                              QStringLiteral("/Vantri/appIndex.json");
    QFile::remove(indexFile);
    instance.setProcessEnvironment(_environment);
    instance.setProcessChannelMode(QProcess::ForwardedChannels);
    instance.start(qEnvironmentVariable("VANTRI_BINARY"), {});
    return instance.waitForStarted() && QTest::qWaitFor(
                                            [&] {
                                                return instance.state() == QProcess::Running &&
                                                       QFileInfo(indexFile).size() > 0;
                                            },
                                            30000);
}

int VantriSession::run(const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(_environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(qEnvironmentVariable("VANTRI_BINARY"), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

QList<VirtualDesktop::ShownWindow> VantriSession::shownWindows(const QProcess& instance,
                                                               const QString& title) const {
    QList<VirtualDesktop::ShownWindow> windows = _desktop.shownWindows(instance.processId());
    windows.removeIf(
        [&](const VirtualDesktop::ShownWindow& window) { return window.title != title; });
    return windows;
}
