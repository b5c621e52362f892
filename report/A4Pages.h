// A4 pages drawn in points, shared by the reports: written as a PDF, painted
// on any paged device (a printer) fitted to its paper, or rendered to an image.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace kv {

inline constexpr double kA4Width = 595.276, kA4Height = 841.89; // in points

// Draws page `page` (0-based) onto a painter whose units are points.
using PageDrawer = std::function<void(QPainter& painter, int page)>;
// Told the number of pages done after each page.
using PageProgress = std::function<void(int pagesDone)>;

// pageCount pages as a PDF document titled `title`.
QByteArray a4Pdf(const QString& title, int pageCount, const PageDrawer& draw,
                 const PageProgress& progress = {});
// pageCount pages on a paged device; a sheet smaller than A4 shrinks the page
// (centred), a larger one prints it at full size.
void paintA4Pages(QPagedPaintDevice& device, int pageCount, const PageDrawer& draw,
                  const PageProgress& progress = {});
// One page as an image at `dpi` dots per inch.
QImage a4Image(int page, int dpi, const PageDrawer& draw);

} // namespace kv
