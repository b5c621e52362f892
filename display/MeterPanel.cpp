#include "MeterPanel.h"

#include "Colours.h"
#include "Settings.h"

#include <QLineF>
#include <QPainter>

#include <cmath>

namespace kv {
namespace {

constexpr double kHalfPi = 1.570795;
constexpr double kTwoPi = 6.28318;
constexpr double kSpan = 1.9198606; // the sector scale's 110 degrees
constexpr double kFaceHalf = 1.919860601425171 / 1.8;

double panelHeightFor(int widthPx) {
    return std::round(widthPx / 1.6);
}

} // namespace

std::int32_t lampColour(const PanelStyle& s, Lamp lamp) {
    switch (lamp) {
    case Lamp::Set:
        return s.LED_Set_Color;
    case Lamp::BodyMotion:
        return s.LED_BM_Color;
    case Lamp::Lag:
        return s.LED_Lag_Color;
    case Lamp::Dark:
        break;
    }
    return s.Dial_Color;
}

double needleAngle(std::int32_t deflection) {
    return deflection * kTwoPi / 65536.0;
}

PanelStyle PanelStyle::from(const Settings& s, int dialTypeInForce) {
    PanelStyle p;
    p.DialType = dialTypeInForce;
    p.ScaleType = s.ScaleType;
    p.Panel_Color = s.Panel_Color;
    p.Dial_Color = s.Dial_Color;
    p.Scale_Color = s.Scale_Color;
    p.MainNeedle_Color = s.MainNeedle_Color;
    p.FreezeNeedle_Color = s.FreezeNeedle_Color;
    p.Text_Color = s.Text_Color;
    p.LED_Set_Color = s.LED_Set_Color;
    p.LED_BM_Color = s.LED_BM_Color;
    p.LED_Lag_Color = s.LED_Lag_Color;
    p.Needle_Width = s.Needle_Width;
    p.ClockType = s.ClockType;
    p.ClockLeft = s.ClockLeft;
    p.DateType = s.DateType;
    p.ShadowNeedleColor =
        Calc_ShadowColor(s.Dial_Color, s.MainNeedle_Color, s.ShadowNeedleColor_Index);
    p.BannerColor = Calc_BannerColor(s.Dial_Color, s.MainNeedle_Color);
    p.DimTextColor = Calc_DimTextColor(s.Panel_Color, s.Text_Color);
    return p;
}

PanelStyle PanelStyle::defaults() {
    const Settings s = defaultSettings();
    return from(s, s.DialType);
}

MeterPanel::MeterPanel() : style(PanelStyle::defaults()) {
    resize(1000);
}

void MeterPanel::resize(int widthPx, qreal dpr) {
    const int w = std::max(16, widthPx);
    const int h = static_cast<int>(panelHeightFor(w));
    m_panel.resize(w, h, dpr);
    m_panel.setScale(-1000, 1200, 2000, -1250);
    const QRectF bd = counterRect(), knob = knobRect();
    m_bd.resize(static_cast<int>(std::round(bd.width())), static_cast<int>(std::round(bd.height())),
                dpr);
    // The counter measures in points, as its font sizes and text positions do.
    m_bd.setScale(0, 0, m_bd.widthPx() * 0.75, m_bd.heightPx() * 0.75);
    m_knob.resize(static_cast<int>(std::round(knob.width())),
                  static_cast<int>(std::round(knob.height())), dpr);
    m_knob.setScale(-1.1, 1.1, 2.2, -2.2);
}

void MeterPanel::relayout(int widthPx, qreal dpr) {
    const NeedleTrace trace = m_trace;
    const bool swept = m_swept;
    const auto lamp = m_lampShown;
    const std::string banner = m_bannerShown;
    resize(widthPx, dpr);
    Draw_Panel();
    if (swept) Remove_Needle();
    if (lamp) Update_LED(*lamp);
    if (!banner.empty()) printBanner(banner);
    m_trace = trace; // in panel units: the same pointer at the new size
}

QRectF MeterPanel::counterRect() const {
    return QRectF(m_panel.toPixels(700, 200), m_panel.toPixels(900, 100));
}

QRectF MeterPanel::baseRect() const {
    const double cx = style.ClockLeft ? 750 : -750;
    return QRectF(m_panel.toPixels(std::max(-1000.0, cx - 450), 1200),
                  m_panel.toPixels(std::min(1000.0, cx + 450), 850))
        .normalized();
}

QRectF MeterPanel::lampRect() const {
    const bool circular = style.DialType == 0 || style.DialType == 3;
    const QPointF c = circular ? m_panel.toPixels(0, 600) : m_panel.toPixels(-254.3, 1039.3);
    const double r = widthPx() / 50.0 + 2;
    return QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

QRectF MeterPanel::knobRect() const {
    return QRectF(m_panel.toPixels(-950, 350), m_panel.toPixels(-650, 50));
}

void MeterPanel::Draw_Panel() {
    m_panel.setBackColor(style.Panel_Color);
    m_bd.setBackColor(style.Panel_Color);
    m_knob.setBackColor(style.Panel_Color);
    m_trace.visible = false;
    m_trace.shadowShown = false;
    m_swept = false;
    m_lampShown.reset();
    m_bannerShown.clear();
    if (style.ScaleType == 0 || style.ScaleType == 1) {
        if (style.DialType == 1 || style.DialType == 2)
            drawSectorDial();
        else if (style.DialType == 0 || style.DialType == 3)
            drawCircularDial();
    }
    Update_BaseDisplay(readouts.BaseText);
    Update_BdDisplay(readouts.BdText);
    Update_ModeDisplay();
    Update_FileDisplay(readouts.fileText);
    if (readouts.clock) {
        int hr = readouts.clock->hr;
        Update_Clock(hr, readouts.clock->min, readouts.clock->day);
    }
    Update_SensKnob();
}

void MeterPanel::drawSectorDial() {
    Surface& s = m_panel;
    const bool simple = style.ScaleType == 1;
    s.setPenWidth(simple ? 2 : 1);
    s.setFill(true, style.Dial_Color);
    s.arc(0, 0, 1110, style.Panel_Color, -(kHalfPi - kFaceHalf), -(kHalfPi + kFaceHalf));
    s.setFill(true, style.Panel_Color);
    s.circle(0, 0, 465, style.Panel_Color);
    s.setFill(false);
    s.setPenWidth(2);
    if (!simple) {
        for (double r : {1020.0, 1070.0}) {
            s.arc(0, 0, r, style.Scale_Color, kHalfPi - kSpan / 2, kHalfPi + kSpan / 10);
            s.arc(0, 0, r, style.Scale_Color, kHalfPi + 5.7595816 / 20, kHalfPi + kSpan / 2);
        }
        int i = 0;
        for (float a = static_cast<float>(kHalfPi - kSpan / 2); a <= kHalfPi + kSpan / 2 + 0.01;
             a += static_cast<float>(kSpan / 40), ++i) {
            const double r = i % 2 == 0 ? 1070 : 1040;
            s.line(1020 * std::cos(a), 1020 * std::sin(a), r * std::cos(a), r * std::sin(a),
                   style.Scale_Color);
        }
    } else {
        s.arc(0, 0, 1020, style.Scale_Color, kHalfPi + kSpan / 2, kHalfPi + 1.05 * kSpan / 2);
        s.arc(0, 0, 1020, style.Scale_Color, kHalfPi - 1.05 * kSpan / 2, kHalfPi - kSpan / 2);
        s.arc(0, 0, 1020, style.Scale_Color, kHalfPi + (kSpan / 2) * 15 / 64,
              kHalfPi + (kSpan / 2) * 17 / 64);
        for (float a = static_cast<float>(kHalfPi - kSpan / 2); a <= kHalfPi + kSpan / 2 + 0.01;
             a += static_cast<float>(kSpan / 8))
            s.line(1020 * std::cos(a), 1020 * std::sin(a), 1050 * std::cos(a), 1050 * std::sin(a),
                   style.Scale_Color);
    }
}

void MeterPanel::drawDialDisc(double radius) {
    Surface& s = m_panel;
    s.setPenWidth(1);
    s.setFill(true, style.Dial_Color);
    s.circle(0, 600, radius, style.Dial_Color);
    s.setFill(false);
    s.setPenWidth(3);
    s.circle(0, 600, 35, style.Scale_Color); // the hub
}

void MeterPanel::drawCircularDial() {
    Surface& s = m_panel;
    drawDialDisc(575);
    s.setPenWidth(2);
    const bool simple = style.ScaleType == 1;
    if (!simple) s.circle(0, 600, 550, style.Scale_Color);
    const float step = static_cast<float>(kTwoPi / (simple ? 16 : 40));
    const double r1 = simple ? 535 : 550, r2 = simple ? 560 : 575;
    for (float b = 0; b <= static_cast<float>(kTwoPi); b += step)
        s.line(r1 * std::sin(b), 600 + r1 * std::cos(b), r2 * std::sin(b), 600 + r2 * std::cos(b),
               style.Scale_Color);
}

QRegion MeterPanel::needleRegion(const NeedleTrace& t) const {
    const double pad = style.Needle_Width + 2;
    QRegion region;
    // Boxes along each pointer, about 100 px long: a slanted needle's bounding
    // box is mostly dial that did not change. Shorter boxes would save pixels
    // but give the toolkit more rectangles to clip and flush every frame.
    auto add = [&](double x1, double y1, double x2, double y2) {
        const QPointF a = m_panel.toPixels(x1, y1), b = m_panel.toPixels(x2, y2);
        const int pieces = std::max(1, static_cast<int>(std::ceil(QLineF(a, b).length() / 96)));
        for (int i = 0; i < pieces; ++i) {
            const QPointF from = a + (b - a) * (static_cast<double>(i) / pieces);
            const QPointF to = a + (b - a) * (static_cast<double>(i + 1) / pieces);
            region += QRectF(from, to).normalized().adjusted(-pad, -pad, pad, pad).toAlignedRect();
        }
    };
    if (t.visible) {
        add(t.X1, t.Y1 + t.yOffset, t.X2, t.Y2 + t.yOffset);
        if (t.mirrored) add(-t.X1, -t.Y1 + t.yOffset, -t.X2, -t.Y2 + t.yOffset);
    }
    if (t.shadowShown) add(t.ShadowX1, t.ShadowY1, t.ShadowX2, t.ShadowY2);
    return region;
}

QRegion MeterPanel::Update_Needle(std::int32_t v, bool frozen) {
    const NeedleTrace was = m_trace;
    moveNeedle(v, frozen);
    // A steady reading draws the same pointer: nothing to repaint.
    if (m_trace == was) return {};
    return needleRegion(was) | needleRegion(m_trace);
}

void MeterPanel::moveNeedle(std::int32_t v, bool frozen) {
    const int w = style.Needle_Width;
    const double theta = needleAngle(v);
    NeedleTrace& t = m_trace;
    t.colour = frozen ? style.FreezeNeedle_Color : style.MainNeedle_Color;
    switch (style.DialType) {
    case 0:
    case 3:
        if (w <= 0) {
            t.visible = false;
            return;
        }
        t.X1 = 50 * std::sin(theta), t.Y1 = 50 * std::cos(theta);
        t.X2 = 500 * std::sin(theta), t.Y2 = 500 * std::cos(theta);
        t.yOffset = 600;
        t.mirrored = style.DialType == 3;
        t.ShadowVisible = false;
        t.shadowShown = false;
        t.visible = true;
        return;
    case 1:
    case 2: {
        t.X1 = 500 * std::sin(theta), t.Y1 = 500 * std::cos(theta);
        t.X2 = 1000 * std::sin(theta), t.Y2 = 1000 * std::cos(theta);
        t.yOffset = 0;
        t.mirrored = false;
        t.visible = w > 0;
        t.shadowShown = false;
        if (style.DialType == 1) {
            t.ShadowVisible = false;
            return;
        }
        const std::int32_t mag = std::abs(v);
        if (mag > 6000)
            t.ShadowVisible = true;
        else if (mag < 4000)
            t.ShadowVisible = false;
        const std::int32_t s = v > 0 ? v - 14016 : v < 0 ? v + 14016 : 0;
        if (t.ShadowVisible) {
            const double ts = needleAngle(s);
            t.ShadowX1 = 500 * std::sin(ts), t.ShadowY1 = 500 * std::cos(ts);
            t.ShadowX2 = 1000 * std::sin(ts), t.ShadowY2 = 1000 * std::cos(ts);
        }
        t.shadowShown = t.ShadowVisible && w > 0;
        return;
    }
    default:
        t.visible = false;
        t.shadowShown = false;
        return;
    }
}

void MeterPanel::Remove_Needle() {
    Surface& s = m_panel;
    // The needle is an overlay: removing it hides it (and its shadow) until
    // the next update. The banner it makes room for goes too.
    m_trace.visible = false;
    m_trace.shadowShown = false;
    m_swept = true;
    m_bannerShown.clear();
    if (style.DialType == 0 || style.DialType == 3) {
        drawDialDisc(505);
        m_lampShown.reset(); // the lamp sits at the centre
    } else if (style.DialType == 1 || style.DialType == 2) {
        s.setPenWidth(1);
        s.setFill(true, style.Dial_Color);
        s.arc(0, 0, 1000, style.Dial_Color, -(kHalfPi - kFaceHalf), -(kHalfPi + kFaceHalf));
        s.setFill(true, style.Panel_Color);
        s.arc(0, 0, 465, style.Panel_Color, -(kHalfPi - 1.919860601425171 / 1.7),
              -(kHalfPi + 1.919860601425171 / 1.7));
        s.setFill(false);
        Update_ModeDisplay();
    }
}

void MeterPanel::paintOn(QPainter& p, const QPointF& at, const QRegion& clip) const {
    p.save();
    // The dial under the clip's boxes only; a region as the painter's clip
    // would send every fill through the raster engine's span clipping.
    if (clip.isEmpty()) {
        p.drawImage(at, m_panel.image());
    } else {
        p.setClipRect(clip.boundingRect().translated(at.toPoint()));
        const QImage& dial = m_panel.image();
        const qreal scale = dial.devicePixelRatio(); // the image's pixels per panel pixel
        for (const QRect& r : clip)
            p.drawImage(
                QRectF(r).translated(at), dial,
                QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale));
    }
    p.drawImage(at + counterRect().topLeft(), m_bd.image());
    p.drawImage(at + knobRect().topLeft(), m_knob.image());
    const NeedleTrace& t = m_trace;
    if (style.Needle_Width <= 0) {
        p.restore();
        return;
    }
    p.translate(at);
    p.setRenderHint(QPainter::Antialiasing);
    // A round-capped line: a flat-capped stroke with a disc at each end. A
    // round-capped stroke takes the painter's general outline filler, which
    // costs several times more for a long slanted line; the discs give the
    // same round ends.
    const double r = style.Needle_Width / 2.0;
    auto pointer = [&](double x1, double y1, double x2, double y2, std::int32_t colour) {
        const QPointF a = m_panel.toPixels(x1, y1), b = m_panel.toPixels(x2, y2);
        QPen pen(qColor(colour));
        pen.setWidthF(style.Needle_Width);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawLine(a, b);
        p.setPen(Qt::NoPen);
        p.setBrush(qColor(colour));
        p.drawEllipse(a, r, r);
        p.drawEllipse(b, r, r);
    };
    if (t.shadowShown)
        pointer(t.ShadowX1, t.ShadowY1, t.ShadowX2, t.ShadowY2, style.ShadowNeedleColor);
    if (t.visible) {
        pointer(t.X1, t.Y1 + t.yOffset, t.X2, t.Y2 + t.yOffset, t.colour);
        if (t.mirrored) pointer(-t.X1, -t.Y1 + t.yOffset, -t.X2, -t.Y2 + t.yOffset, t.colour);
    }
    p.restore();
}

QImage MeterPanel::compose() const {
    QImage out(m_panel.image().size(), QImage::Format_RGB32);
    out.setDevicePixelRatio(m_panel.image().devicePixelRatio());
    QPainter p(&out);
    paintOn(p, QPointF(0, 0));
    return out;
}

} // namespace kv
