#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

// Without a GUI application (a command-line tool, a fuzz target) there is no cursor to change.
TBusyCursor::TBusyCursor() : Active(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (Active) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

TBusyCursor::~TBusyCursor() {
    if (Active) {
        QGuiApplication::restoreOverrideCursor();
    }
}
