// The recording panel's button images, drawn as simple vector shapes so they
// stay crisp at any device pixel ratio. Keys: "Stop", "Play", "Pause",
// "Load", "Save", "Fwd", "Rev", "LeftBracket", "RightBracket", "Expand",
// "Single", "Loop".
#pragma once

#include <QIcon>
#include <QString>

namespace kv {

QIcon buttonImage(const QString& key, const QColor& ink);

} // namespace kv
