#include "DockedExtent.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QStyle>

namespace kv {

QSize dockedExtent(const QMainWindow& window) {
    QSize extent(0, 0);
    const int gap =
        window.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &window);
    for (QDockWidget* d : window.findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
        if (d->isHidden() || d->isFloating()) continue;
        const Qt::DockWidgetArea area = window.dockWidgetArea(d);
        const QSize size = d->isVisible() ? d->size() : d->sizeHint();
        if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
            extent.rwidth() += size.width() + gap;
        else if (area != Qt::NoDockWidgetArea)
            extent.rheight() += size.height() + gap;
    }
    return extent;
}

} // namespace kv
