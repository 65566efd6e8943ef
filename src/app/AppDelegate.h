#pragma once

#include <QObject>

// Runs the launch sequence and owns the global hotkey and the launcher window.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // The most recently created delegate; the hotkey chooser re-registers through it.
    static AppDelegate* shared();

    void applicationDidFinishLaunching();

    void registerHotKey();
    void checkAccessibilityPermission();
    void loadSavedScriptFolder();

    void toggleLauncher();
    void showLauncher();
    void hideLauncher();
};
