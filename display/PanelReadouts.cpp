// The readouts drawn on the meter panel and its two small surfaces: Base,
// counter, lamp, mode and file lines, clock and knob.
#include "GainTable.h"
#include "Knob.h"
#include "MeterPanel.h"
#include "RecordingFile.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

constexpr double kPi = 3.14159;
const std::string kSpaces23(23, ' ');

std::string twoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

void MeterPanel::printCentred(double cx, double y, const std::string& text) {
    m_panel.setPosition(cx - m_panel.textWidth(text) / 2, y);
    m_panel.print(text);
}

void MeterPanel::Update_LED(std::int32_t colour) {
    m_lampShown = colour;
    const double w = widthPx();
    if (style.DialType == 0 || style.DialType == 3) {
        m_panel.setPenWidth(std::round(w / 50));
        m_panel.point(0, 600, colour);
    } else {
        m_panel.setPenWidth(std::round(w / 60));
        m_panel.point(-1070 * std::sin(0.239972), 1070 * std::cos(0.239972), colour);
    }
}

void MeterPanel::Update_BaseDisplay(const std::string& text) {
    readouts.BaseText = text;
    const double cx = style.ClockLeft ? 750 : -750;
    m_panel.setForeColor(style.Text_Color);
    m_panel.setFont(widthPx() * 0.06, true);
    m_panel.setTextOpaque(true);
    const double x = cx - m_panel.textWidth("0.00") / 2;
    // Erase where eight spaces would print, down to just below the baseline:
    // the digits have no descenders, and a full line box would cut into the
    // corner of the dial face below.
    const double below =
        (m_panel.textHeight("0") - m_panel.textAscent()) * 0.3; // the glyphs' overshoot
    m_panel.box(x, 1150, x + m_panel.textWidth(std::string(8, ' ')),
                1150 + m_panel.textAscent() + below, style.Panel_Color, true);
    m_panel.setPosition(x, 1150);
    m_panel.setTextOpaque(false);
    m_panel.print(text);
}

void MeterPanel::Update_BdDisplay(const std::string& text) {
    readouts.BdText = text;
    m_bd.setForeColor(readouts.BdEnabled ? style.Text_Color : style.DimTextColor);
    // The box's height sets the size, unless the widest counter text would
    // then run past its right edge (the last digit would be cut): then the
    // size that fits the width.
    double size = m_bd.scaleHeight() - 3;
    m_bd.setFont(size, false);
    const double room = m_bd.scaleWidth() - 2 - 1;
    for (int tries = 0; tries < 20 && m_bd.textWidth("88.8") > room && size > 2; ++tries) {
        size *= std::max(0.5, std::min(0.97, room / m_bd.textWidth("88.8")));
        m_bd.setFont(size, false);
    }
    m_bd.setTextOpaque(true);
    m_bd.setPosition(2, 1.5);
    m_bd.print(std::string(9, ' '));
    m_bd.setPosition(2, 1.5);
    m_bd.print(text);
}

void MeterPanel::Update_ModeDisplay() {
    if (readouts.messageShowing) return;
    m_panel.setForeColor(style.Text_Color);
    m_panel.setFont(widthPx() * 0.015, true);
    m_panel.setTextOpaque(true);
    const bool circular = style.DialType == 0 || style.DialType == 3;
    const double bottom = m_panel.scaleTop() + m_panel.scaleHeight();
    const double cx = circular ? -800 : 0;
    const double y1 = circular ? 600 : bottom + 300;
    const double y2 = circular ? 525 : bottom + 225;
    eraseCentred(cx, y1, kSpaces23);
    printCentred(cx, y1, readouts.modeText);
    if (readouts.playing) {
        if (!readouts.audioEnable) {
            eraseCentred(cx, y2, kSpaces23);
            printCentred(cx, y2, "Audio OFF");
        }
    } else {
        eraseCentred(cx, y2, kSpaces23);
    }
}

void MeterPanel::eraseCentred(double cx, double y, const std::string& text) {
    m_panel.setPosition(cx - m_panel.textWidth(text) / 2, y);
    m_panel.eraseText(text);
}

void MeterPanel::printBanner(const std::string& word) {
    m_bannerShown = word;
    m_panel.setForeColor(style.BannerColor);
    m_panel.setFont(widthPx() * 0.07, false);
    m_panel.setTextOpaque(false);
    m_panel.setPosition(-m_panel.textWidth(word) / 2, 850);
    m_panel.print(word);
    m_panel.setTextOpaque(true);
}

void MeterPanel::Update_FileDisplay(const std::string& text) {
    readouts.fileText = text;
    const double bottom = m_panel.scaleTop() + m_panel.scaleHeight();
    m_panel.setForeColor(style.Text_Color);
    m_panel.setFont(widthPx() * 0.015, true);
    m_panel.box(-1000, bottom, 1000, bottom + 50, style.Panel_Color, true);
    printCentred(0, bottom + 50, text);
}

void MeterPanel::Update_Clock(int& hr, int min, std::int32_t day) {
    if (style.ClockType == 2 || style.ClockType == 3) {
        if (style.ClockType == 2) {
            if (hr > 12) hr -= 12;
            if (hr == 0) hr = 12;
        }
        drawDigitalClock(hr, min, day);
    } else if (style.ClockType == 1) {
        drawAnalogueClock(hr, min);
    }
}

void MeterPanel::drawDigitalClock(int hr, int min, std::int32_t day) {
    Surface& s = m_panel;
    const std::string text = twoDigits(hr) + ":" + twoDigits(min);
    const double x = style.ClockLeft ? -800 : 800;
    const double size = m_bd.scaleHeight() - 3;
    s.setForeColor(style.Text_Color);
    s.setFont(size, false);
    s.setTextOpaque(true);
    const double tw = s.textWidth(text), th = s.textHeight(text);
    s.box(x - tw / 2, 1085, x + tw / 2, 1085 + th, style.Panel_Color, true);
    s.setPosition(x - tw / 2, 1085);
    s.print(text);
    if (style.DateType != 1 && style.DateType != 2) return;
    if (day == 0) return; // no date mark
    const auto ymd = dateFromDayNumber(day);
    const QDate date(static_cast<int>(ymd.year()),
                     static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day())));
    const QString dateText = QLocale::system().toString(
        date, style.DateType == 2 ? QLocale::LongFormat : QLocale::ShortFormat);
    s.setFont(size / 2, false);
    const std::string d = dateText.toStdString();
    s.setPosition(x - s.textWidth(d) / 2, 1085 - s.textHeight(d));
    s.print(d);
}

void MeterPanel::drawAnalogueClock(int hr, int min) {
    Surface& s = m_panel;
    const bool circular = style.DialType == 0 || style.DialType == 3;
    const double cx = (circular ? 750 : 825) * (style.ClockLeft ? -1 : 1);
    const double cy = circular ? 1000 : 1025;
    s.setPenWidth(1);
    s.setFill(true, style.Panel_Color);
    s.circle(cx, cy, 150, style.Panel_Color);
    s.setPenWidth(4);
    for (float a = 0; a <= 6.28318f; a += static_cast<float>(kPi / 6))
        s.point(cx + 150 * std::sin(a), cy + 150 * std::cos(a), style.Text_Color);
    s.setPenWidth(1);
    s.setFill(true, style.Text_Color);
    const double h = min / 60.0 + (hr % 12);
    double a = 1.570795 - (h / 6) * kPi;
    s.arc(cx + 150 * 0.7 * std::cos(a), cy + 150 * 0.7 * std::sin(a), 112, style.Text_Color,
          -CAng(static_cast<float>(a + kPi - 0.08)), -CAng(static_cast<float>(a + kPi + 0.08)));
    a = 1.570795 - (min / 30.0) * kPi;
    s.arc(cx + 150 * 0.95 * std::cos(a), cy + 150 * 0.95 * std::sin(a), 152, style.Text_Color,
          -CAng(static_cast<float>(a + kPi - 0.04)), -CAng(static_cast<float>(a + kPi + 0.04)));
    s.setFill(false);
}

void MeterPanel::Update_SensKnob() {
    Surface& k = m_knob;
    const double pi = 3.14159265358979323846;
    k.setBackColor(style.Panel_Color);
    k.setForeColor(style.Text_Color);
    k.setFill(true, style.Text_Color);
    k.setPenWidth(2);
    k.setFill(false);
    k.arc(0, 0, 0.9, style.Text_Color, 7 * pi / 4, 5 * pi / 4);
    k.setFill(true, style.Text_Color);
    k.circle(0, 0, 0.4, style.Text_Color);
    for (int i = 0; i < 10; ++i) {
        const double a = -pi / 4 + i * pi / 6;
        k.line(0.9 * std::cos(a), 0.9 * std::sin(a), 0.7 * std::cos(a), 0.7 * std::sin(a),
               style.Text_Color);
    }
    const double p = knobPointerAngle(readouts.knobIndex);
    const double px = 0.65 * std::cos(p), py = 0.65 * std::sin(p);
    k.point(px, py, style.Text_Color);
    k.arc(px, py, 0.3, style.Text_Color, -CAng(static_cast<float>(p + 7 * pi / 8)),
          -CAng(static_cast<float>(p - 7 * pi / 8)));
    k.setFill(false);
    k.setFont(heightPx() / 26.0, false);
    k.setTextOpaque(false);
    const std::string label = gainLabel(readouts.knobIndex);
    k.setPosition(-k.textWidth(label) / 2, -0.5);
    k.print(label);
}

} // namespace kv
