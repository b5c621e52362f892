#include "AboutBox.h"

#include "ButtonImages.h"
#include "UserMessage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kv {

QString disclaimerText() {
    return QStringLiteral("kv Player replays recordings made with a skin-resistance biofeedback "
                          "meter so that sessions can be "
                          "reviewed, cut and kept. It shows what the instrument recorded, or what "
                          "it would have shown with other "
                          "settings; it takes no measurements itself. It is not a medical device "
                          "and must not be used to "
                          "diagnose, treat or monitor any condition.");
}

QString licenceText() {
    return QStringLiteral("Free software under the GNU General Public License, version 3 or "
                          "later (SPDX: GPL-3.0-or-later). It comes with no warranty.");
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QString::fromUtf8(kAppTitle));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 20, 20, 16);
    grid->setHorizontalSpacing(16);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(
        buttonImage(QStringLiteral("Play"), palette().color(QPalette::Highlight)).pixmap(48, 48));
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    auto* title = new QLabel(QString::fromUtf8(kAppTitle), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    title->setFont(big);
    grid->addWidget(title, 0, 1, 1, 2);
    auto* label5 = new QLabel(QStringLiteral("Software Version:"), this);
    label5->setObjectName(QStringLiteral("Label5"));
    grid->addWidget(label5, 1, 1);
    auto* soft = new QLabel(QStringLiteral(KV_VERSION), this);
    soft->setObjectName(QStringLiteral("lblSoft"));
    grid->addWidget(soft, 1, 2);
    auto* disclaimer = new QLabel(disclaimerText(), this);
    disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimer->setWordWrap(true);
    disclaimer->setMinimumWidth(360);
    grid->addWidget(disclaimer, 2, 0, 1, 3);
    auto* licence = new QLabel(licenceText(), this);
    licence->setObjectName(QStringLiteral("lblLicence"));
    licence->setWordWrap(true);
    grid->addWidget(licence, 3, 0, 1, 3);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 4, 2, Qt::AlignRight);
}

} // namespace kv
