// ElidedLabel: a label that shows its text shortened with an ellipsis in the
// middle when it does not fit, never cut off mid-word; text() stays whole.
#pragma once

#include <QLabel>

namespace kv {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The text as shown at the label's present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kv
