#include "MeterStyleDialog.h"

#include "Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace kv {
namespace {

// The layout in twips, a little larger than 15 per pixel so that today's
// default fonts fit the captions.
constexpr int kTwipsPerPixel = 11;
QRect twips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

struct Option {
    int index;
    const char* caption;
    int top;
};

QButtonGroup* options(QGroupBox* frame, const char* name, std::initializer_list<Option> items) {
    auto* group = new QButtonGroup(frame);
    for (const Option& o : items) {
        auto* b = new QRadioButton(QString::fromLatin1(o.caption), frame);
        b->setObjectName(QStringLiteral("%1(%2)").arg(QString::fromLatin1(name)).arg(o.index));
        b->setGeometry(twips(120, o.top, 1780, 176));
        group->addButton(b, o.index);
    }
    return group;
}

} // namespace

MeterStyleDialog::MeterStyleDialog(Settings& settings, std::function<void(bool)> showNeedleBdMenu,
                                   QWidget* parent)
    : QDialog(parent), m_settings(settings), m_showNeedleBd(std::move(showNeedleBdMenu)) {
    setObjectName(QStringLiteral("frmMeter"));
    setWindowTitle(QStringLiteral("Meter Display Setup"));
    setFixedSize(twips(0, 0, 4575, 5175).size());

    auto frame = [this](const char* name, const char* caption, QRect at) {
        auto* f = new QGroupBox(QString::fromLatin1(caption), this);
        f->setObjectName(QString::fromLatin1(name));
        f->setGeometry(at);
        return f;
    };
    QGroupBox* dial = frame("framMeter", "Dial", twips(240, 240, 1935, 2475));
    m_dial = options(dial, "optDial",
                     {{0, "Circular 1", 420},
                      {3, "Circular 2", 600},
                      {1, "Traditional", 1140},
                      {2, "Traditional Continuous", 1500}});
    QGroupBox* clock = frame("framClock", "Clock", twips(2400, 240, 1935, 2475));
    m_clock =
        options(clock, "optClock",
                {{0, "None", 420}, {1, "Analog", 600}, {2, "12 Hour", 1140}, {3, "24 Hour", 1440}});
    m_clockLeft = new QCheckBox(QStringLiteral("On Left"), clock);
    m_clockLeft->setObjectName(QStringLiteral("chkClockLeft"));
    m_clockLeft->setGeometry(twips(120, 1980, 1780, 176));
    QGroupBox* scale = frame("FramScale", "Scale", twips(240, 2880, 1935, 1455));
    m_scale = options(scale, "optScale", {{1, "Simple", 420}, {0, "Traditional", 600}});
    m_dateFrame = frame("framDate", "Date", twips(2400, 2880, 1935, 1455));
    m_date = options(m_dateFrame, "optDateType",
                     {{0, "Hide", 300}, {1, "Short", 660}, {2, "Long", 840}});
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setGeometry(twips(1800, 4560, 1095, 375));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    connect(m_dial, &QButtonGroup::idClicked, this, [this](int index) {
        if (m_loading) return;
        m_settings.DialType = index;
        m_settings.ChosenDialType = static_cast<std::int16_t>(index);
        if (m_showNeedleBd) m_showNeedleBd(index == 1);
    });
    connect(m_scale, &QButtonGroup::idClicked, this, [this](int index) {
        if (!m_loading) m_settings.ScaleType = index;
    });
    connect(m_clock, &QButtonGroup::idClicked, this, [this](int index) {
        m_settings.ClockType = index;
        setDateEnabled(index == 2 || index == 3);
    });
    connect(m_date, &QButtonGroup::idClicked, this,
            [this](int index) { m_settings.DateType = index; });
    connect(m_clockLeft, &QCheckBox::stateChanged, this, [this](int state) {
        if (!m_loading) m_settings.ClockLeft = state != Qt::Unchecked;
    });

    // Set the controls from the settings without changing any of them.
    m_loading = true;
    if (auto* b = m_dial->button(settings.DialType)) b->setChecked(true);
    if (auto* b = m_scale->button(settings.ScaleType)) b->setChecked(true);
    if (auto* b = m_clock->button(settings.ClockType)) b->setChecked(true);
    if (auto* b = m_date->button(settings.DateType)) b->setChecked(true);
    m_clockLeft->setChecked(settings.ClockLeft);
    setDateEnabled(settings.ClockType == 2 || settings.ClockType == 3);
    m_loading = false;
}

void MeterStyleDialog::setDateEnabled(bool enabled) {
    m_dateFrame->setEnabled(enabled);
}

} // namespace kv
