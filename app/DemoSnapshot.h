// DemoSnapshot (kv_player --snapshot PNG FILE): plays the loaded recording
// for a few seconds, writes a picture of the window to PNG and a line on what
// was played (records shown, how late the 99th percentile of them came after
// the sound reached them), then ends the program as a close without
// questions. `./kv.sh run` uses it where there is no display to show the
// window on.
#pragma once

#include <QObject>

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

class MainWindow;

class DemoSnapshot final : public QObject {
public:
    DemoSnapshot(MainWindow& window, std::string pngPath, std::ostream& out, std::ostream& err,
                 double seconds = 5.0);
    // Presses Play; the program ends when the picture is written (exit code
    // 0), or at once with 1 when nothing is loaded or the picture fails.
    void start();

    // The q-th quantile (0..1) of values, nearest rank; 0 for none.
    static double quantile(std::vector<double> values, double q);

private:
    void finish();

    MainWindow& m_window;
    std::string m_png;
    std::ostream& m_out;
    std::ostream& m_err;
    double m_seconds;
    std::vector<double> m_lateMs;
};

} // namespace kv
