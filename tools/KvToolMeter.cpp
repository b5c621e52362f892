#include "KvToolMeter.h"

#include "SafeFile.h"

#include "GraphView.h"
#include "KvToolRecompute.h"
#include "MeterPanel.h"
#include "RecordingLoader.h"
#include "Settings.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>

namespace kv {

void ensureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kvtool";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv); // lives until exit
    (void)app;
}

CommandOptions renderOptions() {
    CommandOptions o{overrideKeys(), {"--graph", "--override", "--clock-left"}};
    for (const char* k : {"-o", "--width", "--record", "--at", "--scale", "--clock", "--date"})
        o.valued.emplace_back(k);
    return o;
}

int renderCommand(ParsedArgs& o, const std::vector<SampleRecord>& records,
                  const std::string& basePath, std::ostream& err) {
    const auto width = o.number("--width", 650, 3840);
    const auto recordNo = o.number("--record", 1, static_cast<long>(records.size()));
    const OverrideOptions opts = overrideFrom(o);
    const auto scale = o.number("--scale", 0, 1);
    const auto clock = o.number("--clock", 0, 3);
    const auto date = o.number("--date", 0, 2);
    const std::optional<double> at = o.seconds("--at");
    if (o.ok() && recordNo.has_value() == at.has_value())
        o.fail("give either --record N or --at SECONDS");
    if (!o.has("-o")) o.fail("give -o OUT.png");
    if (!o.ok()) {
        err << "kvtool render: " << o.error() << "\n";
        return 1;
    }
    std::size_t last = recordNo ? static_cast<std::size_t>(*recordNo) : 1;
    if (at) {
        last = 1;
        while (last < records.size() && records[last].TimeMs <= *at * 1000.0)
            ++last;
    }

    ensureGuiApplication();
    Settings s = defaultSettings();
    if (scale) s.ScaleType = static_cast<int>(*scale);
    if (clock) s.ClockType = static_cast<int>(*clock);
    if (date) s.DateType = static_cast<int>(*date);
    if (o.has("--clock-left")) s.ClockLeft = true;

    const bool overriding = o.has("--override");
    MeterReplay replay(overriding ? std::optional<OverrideOptions>(opts) : std::nullopt,
                       s.DialType);
    MeterModel& m = replay.model();
    const int w = static_cast<int>(width.value_or(1000));
    GraphView graph;
    const int panelH = static_cast<int>(std::round(w / 1.6));
    const int graphH = static_cast<int>(std::nearbyint(panelH * 3 / 5.0));
    if (o.has("--graph")) graph.resize(w, graphH);
    MeterPanel panel;
    panel.resize(w);
    panel.style = PanelStyle::from(s, m.DialType);
    std::int32_t v = 0;
    for (std::size_t i = 0; i < last; ++i) {
        v = replay.step(records[i]);
        // The needle's trace keeps history (the shadow pointer's hysteresis).
        panel.style.DialType = m.DialType;
        panel.Update_Needle(v, m.FreezeActive);
        // Only the last plotting call needs to draw (one call in two plots).
        if (o.has("--graph")) graph.Update_Graph(m.RawValue, m.KnobIndex, false, i + 2 >= last);
    }

    PanelReadouts& r = panel.readouts;
    r.BaseText = m.BaseText;
    r.BdText = m.BdText;
    r.BdEnabled = m.BdEnabled;
    r.modeText = "Playback";
    r.playing = true;
    r.fileText = basePath;
    r.knobIndex = m.KnobIndex;
    const SampleRecord& first = records.front();
    if (first.MarkType == 'C' && first.clockMarkSecs() != 0) {
        const std::int32_t t = first.clockMarkSecs() + records[last - 1].TimeMs / 1000;
        r.clock = PanelReadouts::Clock{t / 3600, (t / 60) % 60,
                                       records[1].MarkType == 'D' ? records[1].dayMarkNumber() : 0};
    }
    panel.Draw_Panel();
    panel.Update_LED(lampColour(panel.style, m.LampColor));
    panel.Update_Needle(v, m.FreezeActive);

    QImage image(w, panelH + (o.has("--graph") ? graphH : 0), QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        panel.paintOn(p, QPointF(0, 0));
        if (o.has("--graph")) p.drawImage(QPointF(0, panelH), graph.surface().image());
    }
    // Encoded first, then written whole or not at all.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        err << "kvtool: the picture could not be encoded\n";
        return 1;
    }
    if (const auto e = replaceFileContents(o.value("-o"),
                                           {png.constData(), static_cast<std::size_t>(png.size())},
                                           o.value("-o"))) {
        err << "kvtool: cannot write " << o.value("-o") << ": " << e->description << "\n";
        return 1;
    }
    return 0;
}

} // namespace kv
