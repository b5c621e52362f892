// AccessibleParts: what a screen reader says about the window's drawn parts.
// The meter panel (needle, Base, counter), the knob, the position bar, the
// session strip and the graph get accessible names, roles and values ("Base
// 3.25, knob 2.5, needle at 40 % of the dial"), brought up to date four
// times a second at most, and a place in the Tab order so that each can be
// reached from the keyboard. Enter presses a focused button (the key table's).
#pragma once

#include <QObject>
#include <QString>

class QTimer;
class QWidget;

namespace kv {

class KeyTable;
class MainWindow;

class AccessibleParts : public QObject {
    Q_OBJECT
public:
    explicit AccessibleParts(MainWindow& window);

    // Brings every value up to date now (the timer does it while shown).
    void refresh();
    // The texts in force, for the window's own use and its tests.
    QString panelValue();
    QString positionValue();

    static constexpr int kRefreshMs = 250;
    // Enter and Return press the focused button or tick the focused box of the window.
    static void addKeys(KeyTable& table, QWidget* window);

private:
    // Sets a part's value (and says so to an active screen reader) when it changed.
    static void setValue(QWidget* part, const QString& text, double value = 0, double min = 0,
                         double max = 0);
    MainWindow& m_window;
    QWidget* m_knob; // a place over the drawn knob, for the reader and the Tab order
    QTimer* m_timer;
};

} // namespace kv
