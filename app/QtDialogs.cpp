#include "Dialogs.h"
#include "TextHelpers.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
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

// Qt's own file dialog reads quoted words in its name field as a list of
// names ("a" "b"), so a name with quotes in it would lose all but the quoted
// word. This one takes the name field whole whenever it holds a quote: the
// player always asks for one file.
class WholeNameFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    // The path chosen through a name with quotes, when that is how it was chosen.
    const std::optional<QString>& wholeName() const { return m_whole; }

protected:
    void accept() override {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = field ? field->text() : QString();
        if (!typed.contains(QLatin1Char('"'))) {
            QFileDialog::accept();
            return;
        }
        QString path = directory().absoluteFilePath(typed);
        if (QFileInfo(path).isDir()) {
            setDirectory(path);
            field->clear();
            return;
        }
        if (acceptMode() == AcceptSave) {
            if (QFileInfo(path).suffix().isEmpty() && !defaultSuffix().isEmpty())
                path += QLatin1Char('.') + defaultSuffix();
            const QFileInfo info(path);
            if (info.exists() && !testOption(DontConfirmOverwrite) &&
                QMessageBox::warning(this, windowTitle(),
                                     QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                         .arg(info.fileName()),
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) != QMessageBox::Yes)
                return;
        } else if (!QFileInfo(path).isFile()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\nFile not found.\nPlease verify the correct "
                                                "file name was given.")
                                     .arg(QFileInfo(path).fileName()));
            return;
        }
        m_whole = path;
        QDialog::accept();
    }

private:
    std::optional<QString> m_whole;
};

std::optional<std::string> runFileDialog(WholeNameFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (dialog.wholeName()) return dialog.wholeName()->toStdString();
    if (dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
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
    WholeNameFileDialog dialog(m_parent, q(r.title), start, q(toQtFilter(r.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog);
}

std::optional<std::string> QtDialogs::saveFile(const FileDialogRequest& r) {
    const QString start =
        r.fileName.empty() ? q(r.initialDir) : q(r.initialDir) + QLatin1Char('/') + q(r.fileName);
    WholeNameFileDialog dialog(m_parent, q(r.title), start, q(toQtFilter(r.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!r.defaultSuffix.empty()) dialog.setDefaultSuffix(q(r.defaultSuffix));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
    return runFileDialog(dialog);
}

std::optional<std::string> QtDialogs::chooseFolder(const FileDialogRequest& r) {
    const QString chosen = QFileDialog::getExistingDirectory(m_parent, q(r.title), q(r.initialDir));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
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

bool QtDialogs::openDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(q(path)));
}

void QtDialogs::showFolder(const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(q(path))))
        showMessage({"No file manager could be started to show " + path + ".", kAppTitle,
                     MessageIcon::Information});
}

} // namespace kv
