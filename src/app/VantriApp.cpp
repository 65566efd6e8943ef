#include "app/VantriApp.h"

#include "app/AppDelegate.h"
#include "product/ProductInfo.h"
#include "state/AppState.h"
#include "ui/Settings.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>

VantriApp::VantriApp(QObject* parent)
    : QObject(parent)
    , _appState(AppState::shared())
    , _appDelegate(std::make_unique<AppDelegate>())
    , _trayMenu(std::make_unique<QMenu>()) {
    QAction* settings = _trayMenu->addAction(tr("Settings"));
    connect(settings, &QAction::triggered, this, &VantriApp::openSettingsWindow);
    _trayMenu->addSeparator();
    QAction* quit = _trayMenu->addAction(tr("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

VantriApp::~VantriApp() = default;

QIcon VantriApp::trayIcon() const {
    return _trayIcon ? _trayIcon->icon() : QIcon();
}

void VantriApp::finishLaunching() {
    // An installed Vantri takes its tray icon from the icon theme, where the
    // desktop recolours it to suit the panel; the built-in one stands in when
    // no theme holds it (a build tree, or no SVG support in Qt).
    _trayIcon = std::make_unique<QSystemTrayIcon>(
        QIcon::fromTheme(ProductInfo::trayIconName, QIcon(QStringLiteral(":/trayicon.png"))));
    _trayIcon->setToolTip(QStringLiteral("Vantri"));
    _trayIcon->setContextMenu(_trayMenu.get());
    // Without a tray host the icon simply stays hidden; the hotkey still works.
    _trayIcon->show();
    _appDelegate->applicationDidFinishLaunching();
}

void VantriApp::openSettingsWindow() {
    if (!_settingsWindow) {
        // The panel's fixed 450 × 280 frame does not fit a 400-wide window:
        // the window takes the panel's size, so nothing is cut off or empty.
        _settingsWindow = std::make_unique<Settings>(_appState);
        _settingsWindow->setWindowTitle(tr("Settings"));
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), _settingsWindow->size());
            frame.moveCenter(screen->availableGeometry().center());
            _settingsWindow->move(frame.topLeft());
        }
    }
    _settingsWindow->show();
    _settingsWindow->raise();
    _settingsWindow->activateWindow();
}
