#include "app/AppDelegate.h"
#include "app/VantriApp.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantri"));
    QApplication::setOrganizationName(QStringLiteral("Vantri"));
    // Vantri lives in the tray: closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    VantriApp scene;
    QTimer::singleShot(0, &scene.appDelegate(), &AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
