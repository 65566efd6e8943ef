#pragma once

// Whether a compositing manager runs on the application's X screen, so that
// windows with an alpha channel are blended with what lies behind them.
// False on other platforms.
bool isCompositorRunning();
