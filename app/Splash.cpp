#include "Splash.h"

#include "UserMessage.h"

#include <QGridLayout>
#include <QLabel>

namespace kv {

QString versionText() {
    return QStringLiteral("Version ") + QStringLiteral(KV_VERSION);
}

Splash::Splash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmKvSplash"));
    setWindowTitle(QStringLiteral("kv3 Ostrel "));
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        QFont f(QStringLiteral("Arial"));
        f.setStyleHint(QFont::SansSerif);
        l->setFont(f);
        return l;
    };
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(28, 24, 28, 24);
    QLabel* title = label("lblTitle", QStringLiteral("kavotel "));
    QFont big = title->font();
    big.setPointSize(22);
    big.setBold(true);
    title->setFont(big);
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(label("Label1", QStringLiteral("Product Name:")), 1, 0);
    grid->addWidget(label("lblProductName", QString::fromUtf8(kAppTitle)), 1, 1);
    grid->addWidget(label("Label2", QStringLiteral("Software Version:")), 2, 0);
    grid->addWidget(label("lblVersion", versionText()), 2, 1);
    grid->addWidget(label("lblInfo", QStringLiteral("Loading")), 3, 0, 1, 2);
    setAutoFillBackground(true);
}

void Splash::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (m_painted) return;
    m_painted = true;
    // After this paint has been handed to the screen.
    QMetaObject::invokeMethod(this, &Splash::painted, Qt::QueuedConnection);
}

} // namespace kv
