// The room a main window's docked panels take beside its central area (width)
// and above or below it (height), separators included; hidden and floating
// panels take none.
#pragma once

#include <QSize>

class QMainWindow;

namespace kv {

QSize dockedExtent(const QMainWindow& window);

} // namespace kv
