#include "AccessibleParts.h"

#include "GainTable.h"
#include "GraphWidget.h"
#include "KeyTable.h"
#include "MainWindow.h"
#include "MeterPanelView.h"
#include "OverviewWidget.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "SessionNavigator.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QFocusEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// The parts' values live in properties the interface below reads.
constexpr char kValueText[] = "kvAccessibleValue";
constexpr char kValue[] = "kvAccessibleNumber";
constexpr char kMin[] = "kvAccessibleMin";
constexpr char kMax[] = "kvAccessibleMax";
constexpr char kRole[] = "kvAccessibleRole";

// A drawn part as a reader sees it: its role, name, description and value;
// with a number, also the value interface (a slider, a dial).
class PartInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    PartInterface(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return widget()->property(kValueText).toString();
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface && widget()->property(kMax).isValid())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return widget()->property(kValue); }
    void setCurrentValue(const QVariant&) override {} // read-only: the keys move it
    QVariant maximumValue() const override { return widget()->property(kMax); }
    QVariant minimumValue() const override { return widget()->property(kMin); }
    QVariant minimumStepSize() const override { return 0; }
};

QAccessibleInterface* partFactory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (!w) return nullptr;
    const QVariant role = w->property(kRole);
    if (!role.isValid()) return nullptr;
    return new PartInterface(w, static_cast<QAccessible::Role>(role.toInt()));
}

// A dashed frame over a drawn part while it has the keyboard focus that Tab
// or Shift+Tab gave it, so that the eye finds where Tab went (the focus the
// window gives at start or on activation draws nothing on the panel); it
// takes no click and no focus.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QWidget* part) : QWidget(part), m_part(part) {
        setObjectName(QStringLiteral("accFocusFrame"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        part->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) {
            const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
            setGeometry(m_part->rect());
            setVisible(why == Qt::TabFocusReason || why == Qt::BacktabFocusReason);
            raise();
        } else if (e->type() == QEvent::Resize) {
            setGeometry(m_part->rect());
        } else if (e->type() == QEvent::FocusOut) {
            hide();
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QPen pen(palette().color(QPalette::Highlight), 2, Qt::DashLine);
        p.setPen(pen);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }

private:
    QWidget* m_part;
};

void describe(QWidget* w, QAccessible::Role role, const QString& name, const QString& what) {
    w->setProperty(kRole, static_cast<int>(role));
    w->setAccessibleName(name);
    w->setAccessibleDescription(what);
    w->setFocusPolicy(Qt::TabFocus);
    new FocusFrame(w);
    // A widget shown before it was described has a plain interface already: made anew.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(w);
        made && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

// "0:30" in the recording's own style.
QString timeText(std::int32_t ms, std::int32_t totalMs) {
    return QString::fromStdString(Format_PlayTime(ms / 1000, totalMs));
}

} // namespace

AccessibleParts::AccessibleParts(MainWindow& window)
    : QObject(&window), m_window(window), m_knob(new QWidget(&window.panelView())),
      m_timer(new QTimer(this)) {
    static const bool installed = [] {
        QAccessible::installFactory(partFactory);
        return true;
    }();
    (void)installed;
    describe(&window.panelView(), QAccessible::Indicator, QStringLiteral("Meter"),
             QStringLiteral("The dial with its needle, the Base, the counter and the knob"));
    m_knob->setObjectName(QStringLiteral("accKnob"));
    m_knob->setAttribute(Qt::WA_TransparentForMouseEvents);
    describe(m_knob, QAccessible::Dial, QStringLiteral("Knob"),
             QStringLiteral("Sensitivity; Up and Down turn it"));
    if (auto* bar = window.findChild<PositionBar*>(QStringLiteral("picFilePosition")))
        describe(bar, QAccessible::Slider, QStringLiteral("Position"),
                 QStringLiteral("Where playback is in the recording, and the range to play"));
    describe(&window.navigator().overview(), QAccessible::Chart, QStringLiteral("Session overview"),
             QStringLiteral("The whole recording with its tags, reactions and body motion"));
    if (auto* graph = window.findChild<GraphWidget*>(QStringLiteral("picGraph")))
        describe(graph, QAccessible::Chart, QStringLiteral("Graph"),
                 QStringLiteral("The reading over the last seconds"));
    // Override too: Tab reaches it, Enter ticks it (a click still leaves the focus where it is).
    if (auto* box = window.findChild<QCheckBox*>(QStringLiteral("chkOveride")))
        box->setFocusPolicy(Qt::TabFocus);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_window.isVisible()) refresh();
    });
    m_timer->start();
    refresh();
}

QString AccessibleParts::panelValue() {
    const MeterModel& meter = m_window.meter();
    MeterPanelView& view = m_window.panelView();
    const PanelReadouts& r = view.panel().readouts;
    // The dial spans 10000 deflection units either side of its middle.
    const int percent =
        static_cast<int>(std::lround(std::clamp((view.needle() + 10000) / 200.0, 0.0, 100.0)));
    QString text;
    if (!r.BaseText.empty())
        text += QStringLiteral("Base %1, ").arg(QString::fromStdString(r.BaseText));
    text += QStringLiteral("knob %1, needle at %2 % of the dial")
                .arg(QString::fromLatin1(gainLabel(r.knobIndex)))
                .arg(percent);
    text += meter.BdEnabled ? QStringLiteral(", counter %1").arg(QString::fromStdString(r.BdText))
                            : QStringLiteral(", counter off");
    return text;
}

QString AccessibleParts::positionValue() {
    MainWindow& window = m_window;
    const RecordingFile* rec = window.recording();
    if (!rec || rec->Records.empty()) return QStringLiteral("No recording loaded");
    const std::int32_t total = rec->TotalTimeMs;
    auto at = [&](std::int32_t record) {
        return rec->record(std::clamp(record, 1, rec->RecordCount)).TimeMs;
    };
    // The length as the window's label shows it.
    const auto* length = window.findChild<QLabel*>(QStringLiteral("lblTotalTime"));
    QString text = timeText(at(window.engine().positionRecord()), total) + QStringLiteral(" of ") +
                   (length ? length->text() : timeText(total, total));
    const std::int32_t first = std::max(1, rec->LoopStartRecord), last = rec->LoopEndRecord;
    if (first != 1 || (last > 0 && last != rec->RecordCount))
        text += QStringLiteral(", range %1 to %2")
                    .arg(timeText(at(first), total), timeText(at(last), total));
    if (window.engine().PlayMode == PlayState::Playing)
        text += window.engine().TransportState == Transport::Paused ? QStringLiteral(", paused")
                                                                    : QStringLiteral(", playing");
    return text;
}

void AccessibleParts::addKeys(KeyTable& table, QWidget* window) {
    auto pressFocused = [window] {
        auto* b = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (b && b->window() == window && b->isEnabled() && b->isVisible()) b->click();
    };
    for (const int key : {Qt::Key_Return, Qt::Key_Enter})
        table.addKey(key, QStringLiteral("Presses the focused button or ticks the focused box"),
                     pressFocused);
}

void AccessibleParts::setValue(QWidget* part, const QString& text, double value, double min,
                               double max) {
    if (max > min) {
        part->setProperty(kValue, value);
        part->setProperty(kMin, min);
        part->setProperty(kMax, max);
    }
    if (part->property(kValueText).toString() == text) return;
    part->setProperty(kValueText, text);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(part, text);
        QAccessible::updateAccessibility(&changed);
    }
}

void AccessibleParts::refresh() {
    MeterPanelView& view = m_window.panelView();
    setValue(&view, panelValue());

    const int knob = view.panel().readouts.knobIndex;
    m_knob->setGeometry(view.panel().knobRect().translated(view.origin()).toAlignedRect());
    setValue(m_knob, QString::fromLatin1(gainLabel(knob)), knob, 0, kKnobPositions - 1);

    const RecordingFile* rec = m_window.recording();
    if (auto* bar = m_window.findChild<PositionBar*>(QStringLiteral("picFilePosition"))) {
        const double seconds =
            rec && !rec->Records.empty()
                ? rec->record(std::clamp(m_window.engine().positionRecord(), 1, rec->RecordCount))
                          .TimeMs /
                      1000.0
                : 0.0;
        setValue(bar, positionValue(), seconds, 0, rec ? rec->TotalTimeMs / 1000.0 : 1.0);
    }
    OverviewWidget& strip = m_window.navigator().overview();
    const auto& events = m_window.navigator().events();
    setValue(&strip, rec ? QStringLiteral("%1 events; %2").arg(events.size()).arg(positionValue())
                         : QStringLiteral("No recording loaded"));
    if (auto* graph = m_window.findChild<GraphWidget*>(QStringLiteral("picGraph")))
        setValue(graph, panelValue());
}

} // namespace kv
