// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TempTree.h"
#include "app/AccessibilityPermission.h"
#include "app/AppDelegate.h"
#include "app/hotkey/HotKeyRegistration.h"
#include "app/window/KeyableWindow.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

using namespace Qt::StringLiterals;

// The accessibility alert as the delegate runs it on a desktop where Vantri
// cannot bind its key (sway): it never comes while the panel is open, where
// it would take the focus from what the user types and so hide the panel.
class TestAccessibilityWait : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theAlertWaitsUntilThePanelHides();

protected:
    // Counts the alerts shown, and answers each with "Later".
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* prompt = qobject_cast<QMessageBox*>(watched);
        if (prompt && event->type() == QEvent::Show) {
            ++_prompts;
            QMetaObject::invokeMethod(
                prompt,
                [prompt] {
                    for (QAbstractButton* button : prompt->buttons()) {
                        if (button->text() == "Later"_L1)
                            button->click();
                    }
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    int _prompts = 0;
};

void TestAccessibilityWait::theAlertWaitsUntilThePanelHides() {
    IsolatedEnvironment environment;
    qApp->installEventFilter(this);
    AppDelegate delegate(std::make_unique<HotKeyRegistration>(
        HotKeyPlace::Route::swayConfig, [] {}, u"/usr/bin/vantri"_s));
    delegate.applicationDidFinishLaunching();
    AccessibilityPermission& permission = *delegate.accessibilityPermission();
    QVERIFY(permission.isRecheckScheduled());

    delegate.showLauncher();
    QVERIFY(delegate.launcherWindow()->isVisible());
    // The re-check comes while the panel is open: nothing is shown.
    permission.recheckAccessibilityPermission();
    QVERIFY(permission.isWaitingForThePanel());
    QCOMPARE(_prompts, 0);
    QVERIFY(delegate.launcherWindow()->isVisible());

    delegate.hideLauncher();
    QTRY_COMPARE(_prompts, 1);
    QVERIFY(!permission.isWaitingForThePanel());
    // Hiding again later asks nothing more.
    delegate.showLauncher();
    delegate.hideLauncher();
    QCoreApplication::processEvents();
    QCOMPARE(_prompts, 1);
}

QTEST_MAIN(TestAccessibilityWait)
#include "tst_accessibilitywait.moc"
