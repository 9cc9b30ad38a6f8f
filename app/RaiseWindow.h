#pragma once

#include <QWidget>

// Brings a top-level window to the front: out of the taskbar when minimised, above the others, and
// active where the window manager lets it be.
inline void RaiseWindow(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.raise();
    window.activateWindow();
}
