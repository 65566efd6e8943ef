#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"
#include "ui/ShortcutSelectorView.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// An AppState whose index lives in the test's own folders.
std::unique_ptr<AppState> makeAppState(const IsolatedEnvironment& environment) {
    return std::make_unique<AppState>(std::make_unique<AppIndexManager>(
        QStringList{environment.tree().makeDir(QStringLiteral("apps"))},
        environment.dataHome() + QStringLiteral("/Vantri/appIndex.json")));
}

QPushButton* button(const ShortcutSelectorView& view, const QString& text) {
    for (QPushButton* candidate : view.findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    qFatal("no button %s", qPrintable(text));
}

void click(const ShortcutSelectorView& view, const QString& text) {
    QTest::mouseClick(button(view, text), Qt::LeftButton);
}

QStringList checkedSymbols(const ShortcutSelectorView& view) {
    QStringList symbols;
    for (QPushButton* candidate : view.findChildren<QPushButton*>()) {
        if (candidate->isChecked())
            symbols.append(candidate->text());
    }
    symbols.sort();
    return symbols;
}

// A chooser on a shown parent window, recording each registration together
// with the saved shortcut and the chooser's visibility at that moment.
struct Fixture {
    IsolatedEnvironment environment;
    std::unique_ptr<AppState> appState = makeAppState(environment);
    QWidget window;
    QList<QPair<QString, bool>> registrations;
    ShortcutSelectorView* view = nullptr;

    explicit Fixture(const QString& savedShortcut = {}) {
        appState->setSavedShortcut(savedShortcut);
        window.show();
        view = new ShortcutSelectorView(*appState, &window, [this] {
            registrations.append({appState->savedShortcut(), view->isVisible()});
        });
        view->open();
    }
};

} // namespace

class TestShortcutSelector : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensEmptyWithTheFixedButtons();
    void aThirdModifierIsRefused();
    void aNewKeyReplacesTheOldOne();
    void setIsEnabledOnlyForACompleteChoice();
    void modifiersAreSavedInCodePointOrder_data();
    void modifiersAreSavedInCodePointOrder();
    void setSavesThenRegistersThenCloses();
    void cancelChangesNothing();
};

void TestShortcutSelector::opensEmptyWithTheFixedButtons() {
    Fixture fixture(QStringLiteral("⌘⌥K"));
    const ShortcutSelectorView& view = *fixture.view;

    QVERIFY(view.selectedModifiers().isEmpty());
    QVERIFY(!view.selectedKey());
    QVERIFY(checkedSymbols(view).isEmpty());
    QVERIFY(!button(view, QStringLiteral("Set"))->isEnabled());
    QVERIFY(button(view, QStringLiteral("Cancel"))->isEnabled());

    QStringList headings;
    for (const QLabel* label : view.findChildren<QLabel*>())
        headings.append(label->text());
    QCOMPARE(headings, QStringList({QStringLiteral("Please select up to two modifier keys"),
                                    QStringLiteral("Please select one regular key")}));

    QCOMPARE(ShortcutSelectorView::modifiers,
             QStringList({QStringLiteral("⇧"), QStringLiteral("⌃"), QStringLiteral("⌥"),
                          QStringLiteral("⌘")}));
    QStringList modifierRow;
    for (const QString& modifier : ShortcutSelectorView::modifiers)
        modifierRow.append(modifier);
    std::sort(modifierRow.begin(), modifierRow.end(), [&](const QString& a, const QString& b) {
        return button(view, a)->x() < button(view, b)->x();
    });
    QCOMPARE(modifierRow, ShortcutSelectorView::modifiers);

    const auto* grid = view.findChild<QGridLayout*>();
    QVERIFY(grid);
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(grid->columnCount(), 7);
    QCOMPARE(grid->count(), 27);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (int cell = 0; cell < 27; ++cell) {
        const auto* key =
            qobject_cast<QPushButton*>(grid->itemAtPosition(cell / 7, cell % 7)->widget());
        QCOMPARE(key->text(), cell < 26 ? QString(letters[cell]) : QStringLiteral("␣"));
    }
    QVERIFY(!grid->itemAtPosition(3, 6));
}

void TestShortcutSelector::aThirdModifierIsRefused() {
    Fixture fixture;
    ShortcutSelectorView& view = *fixture.view;
    click(view, QStringLiteral("⌘"));
    click(view, QStringLiteral("⌥"));
    click(view, QStringLiteral("⇧"));
    QCOMPARE(view.selectedModifiers(), QSet<QString>({QStringLiteral("⌘"), QStringLiteral("⌥")}));
    QCOMPARE(checkedSymbols(view), QStringList({QStringLiteral("⌘"), QStringLiteral("⌥")}));

    click(view, QStringLiteral("⌘"));
    QCOMPARE(checkedSymbols(view), QStringList({QStringLiteral("⌥")}));
    click(view, QStringLiteral("⇧"));
    QCOMPARE(view.selectedModifiers(), QSet<QString>({QStringLiteral("⇧"), QStringLiteral("⌥")}));
    QCOMPARE(checkedSymbols(view), QStringList({QStringLiteral("⇧"), QStringLiteral("⌥")}));
}

void TestShortcutSelector::aNewKeyReplacesTheOldOne() {
    Fixture fixture;
    ShortcutSelectorView& view = *fixture.view;
    click(view, QStringLiteral("B"));
    click(view, QStringLiteral("Q"));
    QCOMPARE(view.selectedKey(), QStringLiteral("Q"));
    QCOMPARE(checkedSymbols(view), QStringList({QStringLiteral("Q")}));
    click(view, QStringLiteral("Q"));
    QCOMPARE(view.selectedKey(), QStringLiteral("Q"));
    QCOMPARE(checkedSymbols(view), QStringList({QStringLiteral("Q")}));
}

void TestShortcutSelector::setIsEnabledOnlyForACompleteChoice() {
    Fixture fixture;
    ShortcutSelectorView& view = *fixture.view;
    QPushButton* set = button(view, QStringLiteral("Set"));
    click(view, QStringLiteral("⌃"));
    QVERIFY(!set->isEnabled());
    QTest::mouseClick(set, Qt::LeftButton);
    QVERIFY(fixture.registrations.isEmpty());
    QVERIFY(view.isVisible());

    click(view, QStringLiteral("⌃"));
    click(view, QStringLiteral("␣"));
    QVERIFY(!view.canSet());
    QVERIFY(!set->isEnabled());

    click(view, QStringLiteral("⌥"));
    QVERIFY(view.canSet());
    QVERIFY(set->isEnabled());
}

void TestShortcutSelector::modifiersAreSavedInCodePointOrder_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("option, command")
        << QStringList{QStringLiteral("⌥"), QStringLiteral("⌘"), QStringLiteral("K")}
        << QStringLiteral("⌘⌥K");
    QTest::newRow("option, then control")
        << QStringList{QStringLiteral("⌥"), QStringLiteral("⌃"), QStringLiteral("A")}
        << QStringLiteral("⌃⌥A");
    QTest::newRow("shift and space")
        << QStringList{QStringLiteral("⇧"), QStringLiteral("␣")} << QStringLiteral("⇧␣");
    QTest::newRow("control, shift, space")
        << QStringList{QStringLiteral("⌃"), QStringLiteral("⇧"), QStringLiteral("␣")}
        << QStringLiteral("⇧⌃␣");
    QTest::newRow("key first") << QStringList{QStringLiteral("Z"), QStringLiteral("⌘"),
                                              QStringLiteral("⇧")}
                               << QStringLiteral("⇧⌘Z");
}

void TestShortcutSelector::modifiersAreSavedInCodePointOrder() {
    QFETCH(QStringList, clicks);
    QFETCH(QString, shortcut);
    Fixture fixture;
    for (const QString& symbol : clicks)
        click(*fixture.view, symbol);
    QCOMPARE(fixture.view->composeShortcut(), shortcut);
    click(*fixture.view, QStringLiteral("Set"));
    QCOMPARE(fixture.appState->savedShortcut(), shortcut);
}

void TestShortcutSelector::setSavesThenRegistersThenCloses() {
    Fixture fixture(QStringLiteral("⌃A"));
    QPointer<ShortcutSelectorView> view = fixture.view;
    view->setAttribute(Qt::WA_DeleteOnClose);
    QSignalSpy finished(view.data(), &QDialog::finished);

    click(*view, QStringLiteral("⌘"));
    click(*view, QStringLiteral("⌥"));
    click(*view, QStringLiteral("K"));
    click(*view, QStringLiteral("Set"));

    // Registered once, after the new string was saved and before the chooser closed.
    QCOMPARE(fixture.registrations, (QList<QPair<QString, bool>>{{QStringLiteral("⌘⌥K"), true}}));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Accepted));
    QTRY_VERIFY(!view);
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(),
             QStringLiteral("⌘⌥K"));
}

void TestShortcutSelector::cancelChangesNothing() {
    Fixture fixture(QStringLiteral("⌃A"));
    QSignalSpy changes(fixture.appState.get(), &AppState::savedShortcutChanged);
    QSignalSpy finished(fixture.view, &QDialog::finished);

    click(*fixture.view, QStringLiteral("⌘"));
    click(*fixture.view, QStringLiteral("Q"));
    click(*fixture.view, QStringLiteral("Cancel"));

    QCOMPARE(finished.size(), 1);
    QVERIFY(!fixture.view->isVisible());
    QVERIFY(fixture.registrations.isEmpty());
    QVERIFY(changes.isEmpty());
    QCOMPARE(fixture.appState->savedShortcut(), QStringLiteral("⌃A"));
    QCOMPARE(openPreferences()->value(PreferenceKeys::savedShortcut).toString(),
             QStringLiteral("⌃A"));
}

QTEST_MAIN(TestShortcutSelector)
#include "tst_shortcutselector.moc"
