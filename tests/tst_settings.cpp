#include "TempTree.h"
#include "index/AppIndexManager.h"
#include "state/AppState.h"
#include "state/LaunchAtLogin.h"
#include "ui/MoreInfoView.h"
#include "ui/Settings.h"
#include "ui/ShortcutSelectorView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The first button under `parent` showing `text` (and marked `property`, when one is named).
QPushButton* button(const QWidget& parent, const QString& text, const char* property = nullptr) {
    for (QPushButton* candidate : parent.findChildren<QPushButton*>()) {
        if (candidate->text() == text && (!property || candidate->property(property).isValid()))
            return candidate;
    }
    qFatal("no button %s", qPrintable(text));
}

// A settings panel on screen, on an AppState whose index lives in the test's own
// folders, with the folder chooser answering from `chosenFolder`.
struct Fixture {
    IsolatedEnvironment environment;
    AppState appState{
        std::make_unique<AppIndexManager>(QStringList{environment.tree().makeDir(u"apps"_s)},
                                          environment.dataHome() + u"/Vantri/appIndex.json"_s)};
    QString chosenFolder;
    int folderRequests = 0;
    int registrations = 0;
    std::unique_ptr<Settings> settings;

    explicit Fixture(const QString& scriptFolder = {}) {
        if (!scriptFolder.isEmpty())
            appState.setScriptFolderPath(environment.tree().makeDir(scriptFolder));
        settings = std::make_unique<Settings>(
            appState, nullptr,
            [this](QWidget*) {
                ++folderRequests;
                return chosenFolder;
            },
            [this] { ++registrations; });
        settings->show();
        QVERIFY(QTest::qWaitForWindowExposed(settings.get()));
    }

    template <typename T> T* child(const QString& name) const {
        T* widget = settings->findChild<T*>(name);
        if (!widget)
            qFatal("no child %s", qPrintable(name));
        return widget;
    }
    QPushButton* tab(const QString& title) const { return button(*settings, title, "segment"); }
    QPushButton* hotkeyButton() const { return child<QPushButton>(u"hotkeyButton"_s); }
    QPushButton* indexButton() const { return child<QPushButton>(u"indexButton"_s); }
    QLineEdit* folderField() const { return child<QLineEdit>(u"scriptFolderField"_s); }
    QCheckBox* loginBox() const { return child<QCheckBox>(u"launchAtLoginCheckBox"_s); }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabsSwitchTheGroupBoxContent();
    void hotkeyButtonShowsAndChoosesTheShortcut();
    void indexButtonFollowsIndexing();
    void folderFieldShowsTheChosenFolderOnly();
    void loginBoxFollowsTheAutostartEntry();
    void sheetsOpenFromTheHeaderAndCloseWithTheWindow();
};

void TestSettings::tabsSwitchTheGroupBoxContent() {
    Fixture fixture;
    const QStringList titles = {u"Launcher Hotkey"_s, u"Applications"_s, u"Scripts Folder"_s};
    const QList<QWidget*> controls = {fixture.hotkeyButton(), fixture.indexButton(),
                                      fixture.folderField()};
    for (int selected = 0; selected < titles.size(); ++selected) {
        if (selected > 0) {
            QVERIFY(fixture.tab(titles[selected - 1])->x() < fixture.tab(titles[selected])->x());
            QTest::mouseClick(fixture.tab(titles[selected]), Qt::LeftButton);
        }
        QCOMPARE(fixture.settings->selectedTab(), selected);
        for (int index = 0; index < titles.size(); ++index) {
            QCOMPARE(fixture.tab(titles[index])->isChecked(), index == selected);
            QCOMPARE(controls[index]->isVisible(), index == selected);
        }
        // Everything on show fits inside the panel.
        for (const QWidget* widget : fixture.settings->findChildren<QWidget*>()) {
            if (widget->isVisible() && !widget->isWindow())
                QVERIFY2(fixture.settings->rect().contains(QRect(
                             widget->mapTo(fixture.settings.get(), QPoint()), widget->size())),
                         qPrintable(widget->objectName() + widget->metaObject()->className()));
        }
    }
}

void TestSettings::hotkeyButtonShowsAndChoosesTheShortcut() {
    Fixture fixture;
    QPushButton* hotkey = fixture.hotkeyButton();
    QCOMPARE(hotkey->text(), u"Set Launcher Hotkey"_s);
    fixture.appState.setSavedShortcut(u"⌃⌥A"_s);
    QCOMPARE(hotkey->text(), u"⌃⌥A"_s);

    // Each click opens a fresh chooser; Set saves and registers, Cancel does neither.
    for (const QString& closing : {u"Set"_s, u"Cancel"_s}) {
        QTest::mouseClick(hotkey, Qt::LeftButton);
        ShortcutSelectorView* chooser = fixture.settings->shortcutPopup();
        QVERIFY(chooser);
        QVERIFY(QTest::qWaitForWindowExposed(chooser));
        QCOMPARE(chooser->windowModality(), Qt::WindowModal);
        QVERIFY(chooser->selectedModifiers().isEmpty());
        QVERIFY(!chooser->selectedKey());
        for (const QString& text : {u"⌘"_s, u"K"_s, closing})
            QTest::mouseClick(button(*chooser, text), Qt::LeftButton);
        QVERIFY(!fixture.settings->shortcutPopup());
        QCOMPARE(fixture.registrations, 1);
        QCOMPARE(hotkey->text(), u"⌘K"_s);
    }
    fixture.appState.setSavedShortcut(QString());
    QCOMPARE(hotkey->text(), u"Set Launcher Hotkey"_s);
}

void TestSettings::indexButtonFollowsIndexing() {
    Fixture fixture;
    fixture.environment.tree().writeFile(
        u"apps/editor.desktop"_s, "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\n");
    QPushButton* index = fixture.indexButton();
    QTRY_VERIFY(!fixture.appState.isIndexing());
    QCOMPARE(index->text(), u"Index Applications"_s);
    QVERIFY(index->isEnabled());

    // What the button shows each time the state announces a change.
    QList<QPair<QString, bool>> shown;
    connect(&fixture.appState, &AppState::isIndexingChanged, index, [&] {
        shown.append({index->text(), index->isEnabled()});
    });
    QTest::mouseClick(fixture.tab(u"Applications"_s), Qt::LeftButton);
    QTest::mouseClick(index, Qt::LeftButton);
    QTRY_COMPARE(shown.size(), 2);
    QCOMPARE(shown[0], qMakePair(u"Indexing..."_s, false));
    QCOMPARE(shown[1], qMakePair(u"Index Applications"_s, true));
    QCOMPARE(fixture.appState.appIndexManager().searchApps(u"edit"_s).size(), 1);
}

void TestSettings::folderFieldShowsTheChosenFolderOnly() {
    Fixture fixture(u"scripts one"_s);
    const QString first = fixture.appState.scriptFolderPath();
    QTest::mouseClick(fixture.tab(u"Scripts Folder"_s), Qt::LeftButton);
    QLineEdit* field = fixture.folderField();
    QCOMPARE(field->text(), first);
    QTest::keyClicks(field, u"typed"_s);
    QCOMPARE(field->text(), first);

    // A chooser closed without a folder changes nothing.
    QSignalSpy changes(&fixture.appState, &AppState::scriptFolderPathChanged);
    QPushButton* browse = fixture.child<QPushButton>(u"browseButton"_s);
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(fixture.folderRequests, 1);
    QVERIFY(changes.isEmpty());

    fixture.chosenFolder = fixture.environment.tree().makeDir(u"scripts two"_s);
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(fixture.appState.scriptFolderPath(), fixture.chosenFolder);
    QCOMPARE(field->text(), fixture.chosenFolder);
    fixture.appState.setScriptFolderPath(QString());
    QVERIFY(field->text().isEmpty());
}

void TestSettings::loginBoxFollowsTheAutostartEntry() {
    Fixture fixture;
    QCheckBox* box = fixture.loginBox();
    QVERIFY(!box->isChecked());
    const QString entry = fixture.environment.configHome() + u"/autostart/vantri.desktop"_s;

    // The box reads the entry each time the panel is shown.
    fixture.settings->hide();
    fixture.environment.tree().writeFile(
        u"config/autostart/vantri.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Vantri\nExec=/opt/vantri\n");
    fixture.settings->show();
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!QFile::exists(entry));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(launchAtLoginEnabled());

    // A refused registration keeps the tick only until the panel is shown again.
    fixture.settings->hide();
    QVERIFY(QDir(fixture.environment.configHome() + u"/autostart"_s).removeRecursively());
    fixture.environment.tree().writeFile(u"config/autostart"_s, "in the way");
    fixture.settings->show();
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QVERIFY(!launchAtLoginEnabled());
    fixture.settings->hide();
    fixture.settings->show();
    QVERIFY(!box->isChecked());
}

void TestSettings::sheetsOpenFromTheHeaderAndCloseWithTheWindow() {
    Fixture fixture;
    for (const QString& part : {u"productName"_s, u"versionLabel"_s, u"logo"_s}) {
        QTest::mouseClick(fixture.child<QWidget>(part), Qt::LeftButton);
        MoreInfoView* sheet = fixture.settings->moreInfo();
        QVERIFY2(sheet, qPrintable(part));
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QTest::keyClick(sheet, Qt::Key_Return);
        QVERIFY(!fixture.settings->moreInfo());
    }

    // Closing the window cancels an open sheet: a half-made choice is not saved.
    fixture.settings->showShortcutPopup();
    for (const QString& text : {u"⌘"_s, u"K"_s})
        QTest::mouseClick(button(*fixture.settings->shortcutPopup(), text), Qt::LeftButton);
    QVERIFY(fixture.settings->close());
    QVERIFY(!fixture.settings->shortcutPopup());
    QVERIFY(fixture.appState.savedShortcut().isEmpty());
    QCOMPARE(fixture.registrations, 0);
    fixture.settings->show();
    fixture.settings->showMoreInfo();
    QVERIFY(fixture.settings->close());
    QVERIFY(!fixture.settings->moreInfo());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
