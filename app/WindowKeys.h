// WindowKeys: routes the keyboard to a window's key map whatever widget of
// the window has the focus. Installed on the application, it takes every key
// press and release addressed to a widget of the window (a focused button
// would otherwise take Space before the map sees it) and hands it to the
// map; the keys the map knows are consumed, the rest go on as usual. A key
// press that follows the window regaining the focus always counts: the
// release of the key that opened a dialog went to the dialog.
#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace kv {

class WindowKeys : public QObject {
    Q_OBJECT
public:
    struct Map {
        std::function<bool(QKeyEvent*)> press;   // true when the map knows the key
        std::function<bool(QKeyEvent*)> release; // true when the map knows the key
        std::function<void()> regained;          // the window lost or got back the focus
        // Keys a widget takes itself rather than the map.
        std::function<bool(QWidget*, const QKeyEvent*)> exempt;
    };
    WindowKeys(QWidget* window, Map map);
    ~WindowKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    Map m_map;
};

} // namespace kv
