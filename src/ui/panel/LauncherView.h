// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>
#include <functional>

class AppIndexManager;
class LauncherModel;
class QKeyEvent;
class QLineEdit;
class ResultView;
class ScriptManager;
class VisualEffectView;

// The launcher panel: the search field, and under it the result list or the
// message line, drawn from its LauncherModel. It feeds the model what is typed
// and the keys the model acts on; while it is on screen it sees the key
// presses of every window of the application.
class LauncherView : public QWidget {
    Q_OBJECT

public:
    static constexpr int searchAreaWidth = 600;
    static constexpr int searchAreaHeight = 60;
    static constexpr int fieldWidth = 580;
    static constexpr int fieldHeight = 50;
    static constexpr int spacing = 20;
    static constexpr int itemHeight = 50;
    static constexpr int maxVisibleItems = 4;
    static constexpr int focusDelayMs = 200;

    // Both managers must outlive the view.
    LauncherView(ScriptManager& scriptManager, AppIndexManager& appIndexManager,
                 std::function<void()> onEscPressed, std::function<void()> hideWindow,
                 QWidget* parent = nullptr);
    ~LauncherView() override;

    // Builds the field, once: the panel's window can be on its way to the
    // screen meanwhile, as the fonts that the field loads on first use take a
    // few milliseconds at start-up. Anything that needs the field builds it.
    void completeContent();
    QLineEdit* searchField();
    LauncherModel& model() const { return *_model; }

    QString searchText() const;

    // The field alone while no result area is shown; the field, the gap
    // and the result area otherwise.
    int contentHeight() const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void contentHeightChanged(int height);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showResultItems();
    void showSelectedIndex();
    void showResultArea();
    void takeTheKeyboard();
    void dismiss();
    void describeWhatIsUnderTheField();
    void updateContentHeight();
    ResultView& resultArea();

    std::function<void()> _onEscPressed;
    LauncherModel* _model;
    VisualEffectView* _fieldBackdrop;
    QLineEdit* _searchField = nullptr;
    ResultView* _resultView = nullptr;
    bool _isMonitoringKeys = false;
    bool _isDescriptionPending = false;
    int _contentHeight;
};
