#include "TempTree.h"
#include "app/AccessibilityPermission.h"
#include "platform/AccessibilityTrust.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

namespace {

bool flag(const QString& key) {
    return openPreferences()->value(key, false).toBool();
}

// Answers every prompt that comes up by clicking the button with the given
// text, and remembers what the prompts showed.
class PromptAnswerer : public QObject {
public:
    explicit PromptAnswerer(QString answer)
        : _answer(std::move(answer)) {
        qApp->installEventFilter(this);
    }

    int promptCount = 0;
    QString text;
    QString informativeText;
    QStringList buttonsLeftToRight;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* prompt = qobject_cast<QMessageBox*>(watched);
        if (prompt && event->type() == QEvent::Show) {
            ++promptCount;
            QMetaObject::invokeMethod(
                this, [this, prompt] { answer(prompt); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void answer(QMessageBox* prompt) {
        text = prompt->text();
        informativeText = prompt->informativeText();
        QList<QAbstractButton*> buttons = prompt->buttons();
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        buttonsLeftToRight.clear();
        for (QAbstractButton* button : buttons)
            buttonsLeftToRight.append(button->text());
        if (_answer == QLatin1String("Escape")) {
            QTest::keyClick(prompt, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : buttons)
            if (button->text() == _answer)
                button->click();
    }

    QString _answer;
};

struct FakeTrust {
    QList<bool> answers; // one per check; the last one repeats
    int checks = 0;
    int settingsOpened = 0;

    AccessibilityPermission::Platform platform() {
        return {[this] { return answers.value(checks++, answers.last()); },
                [this] { ++settingsOpened; }};
    }
};

} // namespace

class TestAccessibilityPermission : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trustedAtLaunchIsGrantedAtOnce();
    void trustedByTheRecheckTenSecondsLater();
    void untrustedAtBothChecksPromptsOnceEver();
    void promptShowsItsTextsAndButtonsInOrder();
    void answers_data();
    void answers();
    void trustFollowsTheSession();
    void settingsOpenTheDesktopsShortcutPanel();
};

void TestAccessibilityPermission::trustedAtLaunchIsGrantedAtOnce() {
    IsolatedEnvironment environment;
    PromptAnswerer answerer(QStringLiteral("Later"));
    FakeTrust trust{{true}};
    AppState state;
    QSignalSpy grantedChanged(&state, &AppState::accessibilityGrantedChanged);
    AccessibilityPermission permission(state, trust.platform());
    permission.checkAccessibilityPermission();
    QVERIFY(flag(PreferenceKeys::accessibilityGranted));
    QCOMPARE(grantedChanged.count(), 1);
    QVERIFY(!permission.isRecheckScheduled());
    QCOMPARE(answerer.promptCount, 0);
    QVERIFY(!flag(PreferenceKeys::accessibilityPromptShown));
}

void TestAccessibilityPermission::trustedByTheRecheckTenSecondsLater() {
    IsolatedEnvironment environment;
    PromptAnswerer answerer(QStringLiteral("Later"));
    FakeTrust trust{{false, true}};
    AppState state;
    AccessibilityPermission permission(state, trust.platform());
    permission.checkAccessibilityPermission();
    QVERIFY(!flag(PreferenceKeys::accessibilityGranted));
    QVERIFY(permission.isRecheckScheduled());
    QTRY_VERIFY_WITH_TIMEOUT(flag(PreferenceKeys::accessibilityGranted), 20000);
    QCOMPARE(trust.checks, 2);
    QCOMPARE(answerer.promptCount, 0);
}

void TestAccessibilityPermission::untrustedAtBothChecksPromptsOnceEver() {
    IsolatedEnvironment environment;
    PromptAnswerer answerer(QStringLiteral("Later"));
    FakeTrust trust{{false}};
    AppState state;
    {
        AccessibilityPermission permission(state, trust.platform());
        permission.recheckAccessibilityPermission();
        QCOMPARE(answerer.promptCount, 1);
        QVERIFY(flag(PreferenceKeys::accessibilityPromptShown));
        QVERIFY(!flag(PreferenceKeys::accessibilityGranted));
        permission.recheckAccessibilityPermission();
        QCOMPARE(answerer.promptCount, 1);
    }
    // A later launch does not ask again.
    AccessibilityPermission nextLaunch(state, trust.platform());
    nextLaunch.recheckAccessibilityPermission();
    QCOMPARE(answerer.promptCount, 1);
    QCOMPARE(trust.settingsOpened, 0);
}

void TestAccessibilityPermission::promptShowsItsTextsAndButtonsInOrder() {
    IsolatedEnvironment environment;
    PromptAnswerer answerer(QStringLiteral("Later"));
    FakeTrust trust{{false}};
    AppState state;
    AccessibilityPermission permission(state, trust.platform());
    permission.showAccessibilityPrompt();
    QCOMPARE(answerer.text, QStringLiteral("Accessibility Permission Required"));
    QCOMPARE(answerer.informativeText,
             QStringLiteral("Vantri needs accessibility permission to listen for global hotkeys. "
                            "Please grant permission in System Preferences."));
    QCOMPARE(
        answerer.buttonsLeftToRight,
        QStringList({QStringLiteral("Open System Preferences"),
                     QStringLiteral("I've Already Granted Permission"), QStringLiteral("Later")}));
}

void TestAccessibilityPermission::answers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("granted");
    QTest::addColumn<int>("settingsOpened");
    QTest::newRow("open settings") << QStringLiteral("Open System Preferences") << false << 1;
    QTest::newRow("already granted")
        << QStringLiteral("I've Already Granted Permission") << true << 0;
    QTest::newRow("later") << QStringLiteral("Later") << false << 0;
    QTest::newRow("escape means later") << QStringLiteral("Escape") << false << 0;
}

void TestAccessibilityPermission::answers() {
    QFETCH(QString, answer);
    QFETCH(bool, granted);
    QFETCH(int, settingsOpened);
    IsolatedEnvironment environment;
    PromptAnswerer answerer(answer);
    FakeTrust trust{{false}};
    AppState state;
    AccessibilityPermission permission(state, trust.platform());
    permission.checkAccessibilityPermission();
    permission.recheckAccessibilityPermission();
    QCOMPARE(answerer.promptCount, 1);
    QCOMPARE(flag(PreferenceKeys::accessibilityGranted), granted);
    QCOMPARE(trust.settingsOpened, settingsOpened);
    QVERIFY(flag(PreferenceKeys::accessibilityPromptShown));
    // The answer asks nothing of the trust check.
    QCOMPARE(trust.checks, 2);
}

void TestAccessibilityPermission::trustFollowsTheSession() {
    // These tests run without an X server: a grab would not be possible.
    QVERIFY(!isProcessTrusted());
}

void TestAccessibilityPermission::settingsOpenTheDesktopsShortcutPanel() {
    // GIO reads the application folders once per process: the entry must be
    // in place before the first look-up.
    IsolatedEnvironment environment;
    const QString opened = environment.tree().path(QStringLiteral("opened"));
    environment.tree().writeFile(
        QStringLiteral("share/applications/kcm_keys.desktop"),
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Shortcuts\nExec=touch %1\n")
            .arg(opened)
            .toUtf8());
    QVERIFY(openShortcutSettings());
    QTRY_VERIFY(QFileInfo::exists(opened));
}

QTEST_MAIN(TestAccessibilityPermission)
#include "tst_accessibilitypermission.moc"
