#include "Dialogs.h"
#include "TextHelpers.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace kv {
namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

std::string toQtFilter(const std::string& filter) {
    const auto bar = filter.find('|');
    if (bar == std::string::npos) return filter;
    std::string description = filter.substr(0, bar);
    const std::string pattern = filter.substr(bar + 1);
    if (const auto paren = description.rfind(" (");
        paren != std::string::npos && description.back() == ')')
        description.resize(paren);
    return description + " (" + pattern + ")";
}

void QtDialogs::showMessage(const UserMessage& m) {
    QMessageBox box(toQt(m.icon), q(m.title), q(m.text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtDialogs::askYesNo(const UserMessage& m) {
    QMessageBox box(toQt(m.icon), q(m.title), q(m.text), QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::openFile(const FileDialogRequest& r) {
    const QString start =
        r.fileName.empty() ? q(r.initialDir) : q(r.initialDir) + QLatin1Char('/') + q(r.fileName);
    const QString path =
        QFileDialog::getOpenFileName(m_parent, q(r.title), start, q(toQtFilter(r.filter)));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogs::saveFile(const FileDialogRequest& r) {
    const QString start =
        r.fileName.empty() ? q(r.initialDir) : q(r.initialDir) + QLatin1Char('/') + q(r.fileName);
    QFileDialog dialog(m_parent, q(r.title), start, q(toQtFilter(r.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!r.defaultSuffix.empty()) dialog.setDefaultSuffix(q(r.defaultSuffix));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::int32_t> QtDialogs::chooseColour(std::int32_t initial) {
    const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    const QColor c = QColorDialog::getColor(start, m_parent);
    if (!c.isValid()) return std::nullopt;
    return c.red() + 256 * c.green() + 65536 * c.blue();
}

void QtDialogs::beep() {
    QApplication::beep();
}

void QtDialogs::runModal(QDialog& dialog) {
    dialog.exec();
}

void QtDialogs::openDocument(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(q(path)));
}

} // namespace kv
