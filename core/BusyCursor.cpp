#include "BusyCursor.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace {

// A window's cursor as it was before the outermost guard; GUI thread only.
struct TKeptCursor {
    QPointer<QWidget> Window;
    bool Own = false;  // the window had a cursor of its own
    QCursor Cursor;
};

int Guards = 0;
std::vector<TKeptCursor> Kept;

void ShowBusy() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->property(AudienceWindowProperty).toBool()) {
            continue;
        }
        Kept.push_back({window, window->testAttribute(Qt::WA_SetCursor), window->cursor()});
        window->setCursor(Qt::WaitCursor);
    }
}

void RestoreCursors() {
    for (const TKeptCursor& kept : Kept) {
        if (kept.Window == nullptr) {
            continue;
        }
        if (kept.Own) {
            kept.Window->setCursor(kept.Cursor);
        } else {
            kept.Window->unsetCursor();
        }
    }
    Kept.clear();
}

}  // namespace

// Without a widget application (a command-line tool, a fuzz target) there is no cursor to change.
TBusyCursor::TBusyCursor() : Active(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    if (Active && Guards++ == 0) {
        ShowBusy();
    }
}

TBusyCursor::~TBusyCursor() {
    if (Active && --Guards == 0) {
        RestoreCursors();
    }
}
