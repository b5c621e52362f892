// The keys the player's key map acts on; the window consumes them and lets
// every other key go on to the focused widget.
#pragma once

#include <Qt>

namespace kv {

inline bool inKeyMap(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Space:
    case Qt::Key_C:
    case Qt::Key_Z:
    case Qt::Key_F:
    case Qt::Key_S:
    case Qt::Key_P:
    case Qt::Key_Less:
    case Qt::Key_Greater:
    case Qt::Key_O:
    case Qt::Key_L:
        return true;
    default:
        return false;
    }
}

} // namespace kv
