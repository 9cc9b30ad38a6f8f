#include "ShowKeys.h"

#include <Qt>

TShowKey ShowKeyAction(int key) {
    switch (key) {
        case Qt::Key_PageDown:
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_Space:
            return TShowKey::Next;
        case Qt::Key_PageUp:
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Backspace:
            return TShowKey::Previous;
        case Qt::Key_Home:
            return TShowKey::First;
        case Qt::Key_End:
            return TShowKey::Last;
        case Qt::Key_B:
        case Qt::Key_Period:
            return TShowKey::Blank;
        case Qt::Key_P:
            return TShowKey::Pause;
        case Qt::Key_Escape:
            return TShowKey::Escape;
        default:
            return TShowKey::None;
    }
}
