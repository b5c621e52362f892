#include "DemoSnapshot.h"

#include "MainWindow.h"
#include "TextHelpers.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace kv {

DemoSnapshot::DemoSnapshot(MainWindow& window, std::string pngPath, std::ostream& out,
                           std::ostream& err, double seconds)
    : QObject(&window), m_window(window), m_png(std::move(pngPath)), m_out(out), m_err(err),
      m_seconds(seconds) {}

double DemoSnapshot::quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void DemoSnapshot::start() {
    const RecordingFile* rec = m_window.recording();
    if (!rec || rec->AudioUnitsPerSec <= 0) {
        m_err << "kv_player: no recording was loaded, so there is nothing to play\n";
        QCoreApplication::exit(1);
        return;
    }
    m_window.onRecordShown = [this](const SampleRecord& r) {
        const PlaybackEngine& e = m_window.engine();
        const double heard = static_cast<double>(e.AudioPosition) * 1000.0 /
                                 m_window.recording()->AudioUnitsPerSec -
                             e.SyncOffsetMs * e.Speed;
        m_lateMs.push_back(heard - r.TimeMs);
    };
    m_window.engine().cmdPlay_Click();
    // Play's banner takes a second before the records come.
    QTimer::singleShot(static_cast<int>((m_seconds + 1.0) * 1000), this, [this] { finish(); });
}

void DemoSnapshot::finish() {
    m_window.onRecordShown = nullptr;
    const QImage picture = m_window.grab().toImage();
    const bool saved = picture.save(q(m_png), "PNG");
    char line[256];
    std::snprintf(line, sizeof line,
                  "Played %s for %.0f s: %zu records shown, offset p99 %.1f ms.\n",
                  baseName(m_window.recording()->LoadedFileBase).c_str(), m_seconds,
                  m_lateMs.size(), quantile(m_lateMs, 0.99));
    m_out << line;
    if (saved)
        m_out << "Picture of the window: " << m_png << "\n";
    else
        m_err << "kv_player: the picture could not be written to " << m_png << "\n";
    m_out.flush();
    m_window.endBySignal(); // stops and closes as a close without questions
    QCoreApplication::exit(saved ? 0 : 1);
}

} // namespace kv
