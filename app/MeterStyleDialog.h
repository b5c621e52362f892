// MeterStyleDialog (frmMeter, "Meter Display Setup"): chooses the dial, the
// scale, the clock and the date display. Every choice goes into the settings
// the moment it is clicked; there is no Cancel.
#pragma once

#include <QDialog>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;

namespace kv {

struct Settings;

class MeterStyleDialog : public QDialog {
    Q_OBJECT
public:
    // showNeedleBdMenu shows or hides the main window's "Needle  BD Counter" menu.
    MeterStyleDialog(Settings& settings, std::function<void(bool)> showNeedleBdMenu,
                     QWidget* parent = nullptr);

    QButtonGroup* dialGroup() const { return m_dial; }
    QButtonGroup* scaleGroup() const { return m_scale; }
    QButtonGroup* clockGroup() const { return m_clock; }
    QButtonGroup* dateGroup() const { return m_date; }
    QCheckBox* clockLeft() const { return m_clockLeft; }
    QGroupBox* dateFrame() const { return m_dateFrame; }

private:
    void setDateEnabled(bool enabled);

    Settings& m_settings;
    std::function<void(bool)> m_showNeedleBd;
    bool m_loading = true;
    QButtonGroup* m_dial = nullptr;
    QButtonGroup* m_scale = nullptr;
    QButtonGroup* m_clock = nullptr;
    QButtonGroup* m_date = nullptr;
    QCheckBox* m_clockLeft = nullptr;
    QGroupBox* m_dateFrame = nullptr;
};

} // namespace kv
