// Surface: a persistent drawing image with a user coordinate system
// (left, top, width, height; a negative height makes y grow upwards), a pen
// width in pixels, fill style and colour, a font, an opaque or transparent
// text background and a current text position. It offers exactly the
// operations the panel drawings use. Colours are packed red + 256 * green +
// 65536 * blue. The image is held in device pixels for a device pixel ratio,
// while pen widths and fonts are in logical pixels and points, so drawings
// look the same at any ratio.
#pragma once

#include <QFont>
#include <QImage>

class QPainter;

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

QColor qColor(std::int32_t colour);

class Surface {
public:
    Surface() = default;
    Surface(int widthPx, int heightPx, qreal devicePixelRatio = 1.0);
    void resize(int widthPx, int heightPx, qreal devicePixelRatio = 1.0);

    const QImage& image() const { return m_image; }
    int widthPx() const { return m_widthPx; }
    int heightPx() const { return m_heightPx; }

    void setScale(double left, double top, double width, double height);
    double scaleTop() const { return m_top; }
    double scaleWidth() const { return m_width; }
    double scaleHeight() const { return m_height; }

    void setBackColor(std::int32_t colour); // also clears
    std::int32_t backColor() const { return m_back; }
    void Clear();

    void setPenWidth(double px) { m_penWidth = px; }
    double penWidth() const { return m_penWidth; }
    void setForeColor(std::int32_t colour) { m_fore = colour; }
    void setFill(bool solid, std::int32_t colour = 0) {
        m_fillSolid = solid;
        m_fillColour = colour;
    }
    void setFont(double points, bool bold, bool italic = false);
    void setTextOpaque(bool opaque) { m_textOpaque = opaque; }
    void setPosition(double x, double y) {
        m_x = x;
        m_y = y;
    }
    double currentY() const { return m_y; }

    void line(double x1, double y1, double x2, double y2, std::optional<std::int32_t> colour = {});
    // Many lines of one colour at once: (x1, y1, x2, y2) each.
    // Separate line segments in one colour. Round caps join them smoothly;
    // flat caps cost less than half as much and look the same where thin
    // segments meet at shallow angles (a strip chart).
    void lines(const std::vector<std::array<double, 4>>& segments, std::int32_t colour,
               Qt::PenCapStyle cap = Qt::RoundCap);
    // The same strokes, and the background fill, on another painter (a
    // window's own buffer) with this surface's scale and pen: the pixels are
    // those lines() and Clear() would leave in the image.
    void linesOn(QPainter& painter, const std::vector<std::array<double, 4>>& segments,
                 std::int32_t colour, Qt::PenCapStyle cap = Qt::RoundCap) const;
    void clearOn(QPainter& painter) const;
    void box(double x1, double y1, double x2, double y2, std::int32_t colour, bool filled);
    void point(double x, double y, std::optional<std::int32_t> colour = {});
    void circle(double x, double y, double radius, std::optional<std::int32_t> colour = {});
    // From start to end, radians counter-clockwise from the positive x axis.
    // A negative angle also draws the radius to that end; both negative give
    // a wedge, filled like a circle.
    void arc(double x, double y, double radius, std::int32_t colour, double start, double end);
    void print(const std::string& text);
    // Wipes, in the background colour, the box that text printed at the
    // current position takes, with a margin for glyphs that reach past
    // their line box, out to whole device pixels.
    void eraseText(const std::string& text);
    double textWidth(const std::string& text) const;  // user units along x
    double textHeight(const std::string& text) const; // user units along y (negative when y is up)
    double textAscent() const; // top of the text to its baseline, as textHeight

    // Device-independent pixel position of a user point.
    QPointF toPixels(double x, double y) const;

private:
    void paintWith(const std::function<void(QPainter&)>& draw);
    QPen pen(std::int32_t colour) const;

    QImage m_image;
    int m_widthPx = 0;
    int m_heightPx = 0;
    double m_left = 0, m_top = 0, m_width = 1, m_height = 1;
    std::int32_t m_back = 0xFFFFFF;
    std::int32_t m_fore = 0;
    double m_penWidth = 1;
    bool m_fillSolid = false;
    std::int32_t m_fillColour = 0;
    QFont m_font;
    bool m_textOpaque = true;
    double m_x = 0, m_y = 0;
};

} // namespace kv
