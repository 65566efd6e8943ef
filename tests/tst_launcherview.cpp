// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherController.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "ui/panel/LauncherView.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QStringList names(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name);
    return result;
}

// A launcher on screen over an index file of applications and a folder of scripts.
struct Launcher {
    TempTree tree;
    AppIndexManager apps;
    ScriptManager scripts;
    int windowHides = 0;
    QStringList messages;
    std::unique_ptr<LauncherView> view;

    explicit Launcher(const QStringList& applications)
        : apps(QStringList(), LauncherFixture::writeIndexFile(tree, applications)) {
        view = std::make_unique<LauncherView>(
            scripts, apps, [] {}, [this] { ++windowHides; });
        const LauncherController& controller = view->controller();
        QObject::connect(&controller, &LauncherController::errorMessageChanged, [this] {
            if (view->controller().errorMessage())
                messages.append(*view->controller().errorMessage());
        });
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    QLineEdit* field() const { return view->searchField(); }

    // Types `query` and waits until its results are shown.
    void search(const QString& query, const QStringList& expected) {
        field()->clear();
        QTest::keyClicks(field(), query);
        QTRY_COMPARE(view->searchPipeline().currentQuery(), query);
        QTRY_COMPARE(names(view->resultItems()), expected);
        QTRY_VERIFY(view->showResults());
    }

    void press(Qt::Key key) { QTest::keyClick(field(), key); }
};
} // namespace

class TestLauncherView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionStaysWithinTheList();
    void resultsForAStaleQueryAreDropped();
    void returnActsOnWhatWasTyped();
};

void TestLauncherView::selectionStaysWithinTheList() {
    Launcher launcher({u"alpha"_s, u"alps"_s, u"altitude"_s});
    launcher.search(u"nothing matches"_s, {});
    launcher.press(Qt::Key_Return);
    QVERIFY(launcher.windowHides == 0 && launcher.messages.isEmpty());

    launcher.search(u"al"_s, {u"alpha"_s, u"alps"_s, u"altitude"_s});
    using Step = std::pair<Qt::Key, int>;
    for (const auto& [key, selected] : {Step{Qt::Key_Up, 0}, Step{Qt::Key_Down, 1},
                                        Step{Qt::Key_Down, 2}, Step{Qt::Key_Down, 2}}) {
        launcher.press(key);
        QCOMPARE(launcher.view->selectedIndex(), selected);
    }
    // A new list starts at its first row.
    QTest::keyClick(launcher.field(), Qt::Key_P);
    QTRY_COMPARE(names(launcher.view->resultItems()), (QStringList{u"alpha"_s, u"alps"_s}));
    QCOMPARE(launcher.view->selectedIndex(), 0);
}

void TestLauncherView::resultsForAStaleQueryAreDropped() {
    Launcher launcher({u"alpha"_s, u"beta"_s});
    launcher.search(u"alp"_s, {u"alpha"_s});
    const ResultItems stale =
        SearchPipeline::performSearch(launcher.apps.apps(), launcher.scripts.scripts(), u"bet"_s);
    launcher.view->applySearchResults(u"bet"_s, stale);
    QCOMPARE(names(launcher.view->resultItems()), QStringList{u"alpha"_s});
    // The same results are taken once their query is the current one.
    launcher.field()->setText(u"bet"_s);
    launcher.view->applySearchResults(u"bet"_s, stale);
    QCOMPARE(launcher.view->resultItems().at(0).id, stale.at(0).id);
}

void TestLauncherView::returnActsOnWhatWasTyped() {
    Launcher launcher({u"foo"_s, u"bar"_s});
    QStringList opened;
    launcher.view->controller().setApplicationOpener([&](const QString& path) {
        opened.append(QFileInfo(path).completeBaseName());
        return ApplicationLaunch{true, {}};
    });
    launcher.search(u"foo"_s, {u"foo"_s});
    // A new query typed over the old one, and Return before its results are
    // listed: what runs is what was typed, not the row still on screen.
    launcher.field()->selectAll();
    QTest::keyClicks(launcher.field(), u"bar"_s);
    QCOMPARE(names(launcher.view->resultItems()), QStringList{u"foo"_s});
    launcher.press(Qt::Key_Return);
    QTRY_COMPARE(opened, QStringList{u"bar"_s});
    QCOMPARE(launcher.windowHides, 1);
}

QTEST_MAIN(TestLauncherView)
#include "tst_launcherview.moc"
