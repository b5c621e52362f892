// frmKvSplash: the window shown while the program starts.
#pragma once

#include <QWidget>

namespace kv {

// "Version " followed by major.minor.revision.
QString versionText();

class Splash : public QWidget {
    Q_OBJECT
public:
    explicit Splash(QWidget* parent = nullptr);

Q_SIGNALS:
    // The first time the splash is painted: it is on screen from now on.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_painted = false;
};

} // namespace kv
