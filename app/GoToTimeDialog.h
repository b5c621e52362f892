// GoToTimeDialog (Ctrl+G): asks for a session time or, when the recording has
// a clock mark, a time of day. A text that is not a time, or a time the
// window cannot go to, is refused inside the dialog with the reason; the
// dialog closes once the jump was made.
#pragma once

#include "SessionTime.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;

namespace kv {

class GoToTimeDialog final : public QDialog {
public:
    // go: makes the jump to the session time in ms; empty, or why it could not.
    GoToTimeDialog(const SessionTimeContext& context,
                   std::function<std::string(std::int32_t)> go, QWidget* parent = nullptr);

    void accept() override;
    QString reason() const;

private:
    SessionTimeContext m_context;
    std::function<std::string(std::int32_t)> m_go;
    QLineEdit* m_edit = nullptr;
    QLabel* m_reason = nullptr;
};

} // namespace kv
