// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "LauncherFixture.h"
#include "app/window/KeyableWindow.h"
#include "ui/panel/LauncherView.h"

// The launcher's panel in this process, in its window on the virtual desktop,
// searching an index of `applications` and a folder of `scripts`.
struct PanelOnScreen {
    LauncherFixture::Catalogues catalogues;
    LauncherView* view = new LauncherView(
        catalogues.scripts, catalogues.apps, [] {}, [] {});
    KeyableWindow window{false};

    explicit PanelOnScreen(const QStringList& applications,
                           const QList<LauncherFixture::Script>& scripts = {})
        : catalogues(applications, scripts) {
        window.setContentView(view);
        window.place({340, 200}, LauncherView::searchAreaWidth);
        window.setContentHeight(view->contentHeight());
        QObject::connect(view, &LauncherView::contentHeightChanged, &window,
                         &KeyableWindow::setContentHeight);
    }

    // Shows the panel and asks for the activation, as the hotkey does.
    void show() {
        window.show();
        view->completeContent();
        window.activateWindow();
    }
};
