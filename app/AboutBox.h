// frmAbout: the About box with the version and the disclaimer.
#pragma once

#include <QDialog>

namespace kv {

// The disclaimer shown in the About box.
QString disclaimerText();
// The licence line shown in the About box, with its SPDX identifier.
QString licenceText();

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace kv
