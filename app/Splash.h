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
};

} // namespace kv
