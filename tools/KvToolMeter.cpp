#include "KvToolMeter.h"

#include "CsvWriter.h"
#include "SafeFile.h"

#include "GraphView.h"
#include "MeterPanel.h"
#include "MeterReplay.h"
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
namespace {

const std::vector<std::string> kOverrideKeys = {"--dial",   "--knob",      "--bm",
                                                "--freeze", "--needle-bd", "--counter"};

OverrideOptions overrideFrom(ParsedArgs& o) {
    OverrideOptions r;
    r.dial = static_cast<int>(o.number("--dial", 0, 3).value_or(r.dial));
    r.knob = static_cast<int>(o.number("--knob", 0, 63).value_or(r.knob));
    r.bm = static_cast<int>(o.number("--bm", 1, 3).value_or(r.bm));
    r.freeze = o.onOff("--freeze").value_or(r.freeze);
    r.needleBd = o.onOff("--needle-bd").value_or(r.needleBd);
    r.counter = o.onOff("--counter").value_or(r.counter);
    return r;
}

int lampCode(Lamp l) {
    return static_cast<int>(l);
}

} // namespace

void ensureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kvtool";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv); // lives until exit
    (void)app;
}

CommandOptions recomputeOptions() {
    CommandOptions o{kOverrideKeys, {}};
    o.valued.push_back("-o");
    return o;
}

CommandOptions renderOptions() {
    CommandOptions o{kOverrideKeys, {"--graph", "--override", "--clock-left"}};
    for (const char* k : {"-o", "--width", "--record", "--at", "--scale", "--clock", "--date"})
        o.valued.emplace_back(k);
    return o;
}

int recomputeCommand(ParsedArgs& o, KvdBlockReader& records, std::ostream& out, std::ostream& err) {
    const OverrideOptions opts = overrideFrom(o);
    if (!o.ok()) {
        err << "kvtool recompute: " << o.error() << "\n";
        return 1;
    }
    // A file is written whole or not at all, never over a read-only or special file.
    std::optional<ReplacingFile> file;
    if (o.has("-o")) file.emplace(o.value("-o"), o.value("-o"));
    CsvWriter csv([&](std::string_view block) {
        if (file) return file->write(block);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        return static_cast<bool>(out);
    });
    MeterReplay replay(opts, opts.dial);
    MeterModel& m = replay.model();
    csv.text("record,time_ms,raw,filtered,deflection,base_code,base_text,bd_total,bd_text,lamp,"
             "motion,frozen")
        .endRow();
    long long n = 0;
    for (auto block = records.next(); !block.empty(); block = records.next()) {
        for (const SampleRecord& r : block) {
            const std::int32_t v = replay.step(r);
            csv.number(++n).comma().number(r.TimeMs).comma().number(r.RawReading).comma();
            csv.number(m.FilteredValue).comma().number(v).comma().number(m.LastBaseCode).comma();
            csv.text(m.BaseText).comma().number(m.BdTotal).comma().text(m.BdText).comma();
            csv.number(lampCode(m.LampColor)).comma().number(m.MotionActive).comma();
            csv.number(m.FreezeActive).endRow();
        }
    }
    const bool written = csv.finish();
    if (const auto& e = records.error()) {
        // The file ended early: no output file is made.
        err << "kvtool: " << couldNotLoadText("The kvd file", e->number, e->description) << "\n";
        return 1;
    }
    if (file) {
        if (const auto e = file->commit()) {
            err << "kvtool: cannot write " << o.value("-o") << ": " << e->description << "\n";
            return 1;
        }
    } else if (!written) {
        err << "kvtool: writing the CSV failed\n";
        return 1;
    }
    return 0;
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
