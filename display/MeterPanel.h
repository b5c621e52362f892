// MeterPanel: the meter panel's drawings. It owns the persistent images of
// the panel (picMeterPanel), the counter (picBD) and the knob (picKnob) and
// draws the dial, readouts, lamp, clock and knob into them. The needle is an
// overlay: Update_Needle only records where it stands (NeedleTrace), and
// compose() paints it over the cached panel, so moving it never leaves a
// residue and never redraws the dial.
//
// Panel coordinates: x -1000 (left) to 1000 (right), y 1200 (top) to -50
// (bottom), y upwards; the panel's height is its width / 1.6.
#pragma once

#include "MeterModel.h"
#include "Surface.h"

#include <QImage>
#include <QRegion>

#include <cstdint>
#include <optional>
#include <string>

namespace kv {

struct Settings;

// The panel's colours and format, taken from the settings (colours as
// 0xBBGGRR numbers). A panel starts with the style of the default settings.
struct PanelStyle {
    int DialType = 0;
    int ScaleType = 0;
    std::int32_t Panel_Color = 0;
    std::int32_t Dial_Color = 0;
    std::int32_t Scale_Color = 0;
    std::int32_t MainNeedle_Color = 0;
    std::int32_t FreezeNeedle_Color = 0;
    std::int32_t Text_Color = 0;
    std::int32_t LED_Set_Color = 0;
    std::int32_t LED_BM_Color = 0;
    std::int32_t LED_Lag_Color = 0;
    int Needle_Width = 0;
    int ClockType = 0;
    bool ClockLeft = false;
    int DateType = 0;
    std::int32_t ShadowNeedleColor = 0;
    std::int32_t BannerColor = 0;
    std::int32_t DimTextColor = 0;

    // The style of the settings, with the derived colours computed.
    static PanelStyle from(const Settings& settings, int dialTypeInForce);
    // The style of the default settings.
    static PanelStyle defaults();
};

// What the readouts show; the window keeps it up to date.
struct PanelReadouts {
    std::string BaseText;
    std::string BdText = "0.0";
    bool BdEnabled = false;
    std::string modeText;
    bool messageShowing = false; // a one-second mode message is on show
    bool playing = false;        // a recording plays
    bool audioEnable = true;
    std::string fileText = "No File Loaded";
    struct Clock {
        int hr = 0;
        int min = 0;
        std::int32_t day = 0; // days after 31 December 1999; 0 is "no date"
    };
    std::optional<Clock> clock;
    int knobIndex = 8;
};

struct NeedleTrace {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    double ShadowX1 = 0, ShadowY1 = 0, ShadowX2 = 0, ShadowY2 = 0;
    bool ShadowVisible = false; // the shadow's state, kept through hiding and redraws
    bool shadowShown = false;   // the shadow pointer is on show
    bool visible = false;       // a pointer is on show
    bool mirrored = false;      // "Circular 2": also the pointer through the centre
    double yOffset = 0;         // 600 for the circular dials
    std::int32_t colour = 0;
    bool operator==(const NeedleTrace&) const = default;
};

class MeterPanel {
public:
    MeterPanel();
    void resize(int widthPx, qreal devicePixelRatio = 1.0);
    // A new size for the panel that shows what it showed before: the
    // readouts, the lamp, a banner and the needle, or its absence.
    void relayout(int widthPx, qreal devicePixelRatio = 1.0);
    int widthPx() const { return m_panel.widthPx(); }
    int heightPx() const { return m_panel.heightPx(); }

    PanelStyle style; // the default settings' until set
    PanelReadouts readouts;

    void Draw_Panel();
    // Returns the pixels that changed (the old and the new pointer), so a
    // window repaints only those.
    QRegion Update_Needle(std::int32_t deflection, bool frozen);
    void Remove_Needle();
    void Update_LED(std::int32_t colour);
    void Update_BaseDisplay(const std::string& text);
    void Update_BdDisplay(const std::string& text);
    void Update_ModeDisplay();
    void Update_FileDisplay(const std::string& text);
    void Update_Clock(int& hr, int min, std::int32_t day);
    void Update_SensKnob();
    // "PLAY", "PAUSE" or "END" printed into the dial in the banner colour,
    // centred, at y 850, on a transparent background.
    void printBanner(const std::string& word);

    const NeedleTrace& trace() const { return m_trace; }
    const Surface& panelSurface() const { return m_panel; }
    const Surface& counterSurface() const { return m_bd; }
    const Surface& knobSurface() const { return m_knob; }
    // Where the counter and the knob sit on the panel, in pixels.
    QRectF counterRect() const;
    QRectF knobRect() const;
    // The pixels the Base readout and the lamp may touch, for partial repaints.
    QRectF baseRect() const;
    QRectF lampRect() const;

    // The panel as shown: cached images plus the needle.
    QImage compose() const;
    // Paints the panel at `at` (whole pixels); with a clip, only that part
    // (in panel pixels).
    void paintOn(QPainter& painter, const QPointF& at, const QRegion& clip = {}) const;

private:
    void moveNeedle(std::int32_t deflection, bool frozen);
    // The pixels a trace's pointers cover, with a margin.
    QRegion needleRegion(const NeedleTrace& trace) const;
    void drawSectorDial();
    void drawCircularDial();
    void drawDialDisc(double radius);
    void drawDigitalClock(int hr, int min, std::int32_t day);
    void drawAnalogueClock(int hr, int min);
    void printCentred(double cx, double y, const std::string& text);
    void eraseCentred(double cx, double y, const std::string& text);

    Surface m_panel;
    Surface m_bd;
    Surface m_knob;
    NeedleTrace m_trace;
    // What the last full redraw does not bring back: the needle's sweep
    // wiped, the lamp painted since, and a banner on show.
    bool m_swept = false;
    std::optional<std::int32_t> m_lampShown;
    std::string m_bannerShown;
};

// The colour that shows a lamp state: the dial colour for a dark lamp.
std::int32_t lampColour(const PanelStyle& style, Lamp lamp);

// Needle angle in radians for a deflection (65536 units per turn).
double needleAngle(std::int32_t deflection);

} // namespace kv
