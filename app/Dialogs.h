// Dialogs: every message box and common dialog the window shows goes through
// this interface, so tests can script answers and assert exact texts, titles
// and icons without a modal loop.
#pragma once

#include "UserMessage.h"

#include <cstdint>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace kv {

struct FileDialogRequest {
    FileDialogRequest() = default;
    FileDialogRequest(std::string title_, std::string filter_, std::string initialDir_,
                      std::string fileName_)
        : title(std::move(title_)), filter(std::move(filter_)), initialDir(std::move(initialDir_)),
          fileName(std::move(fileName_)) {}
    std::string title;
    std::string filter; // "description|pattern", e.g. "kvd file (*.kvd*)|*.kvd"
    std::string initialDir;
    std::string fileName;
    std::string defaultSuffix;    // added to a typed name that has no extension
    bool confirmOverwrite = true; // the dialog asks before an existing file is chosen
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void showMessage(const UserMessage& message) = 0;
    virtual bool askYesNo(const UserMessage& message) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
    // A folder (title and initialDir of the request are used).
    virtual std::optional<std::string> chooseFolder(const FileDialogRequest& request) = 0;
    virtual std::optional<std::int32_t> chooseColour(std::int32_t initial) = 0;
    virtual void beep() = 0;
    // Shows a dialog of the program's own modally (tests answer it instead).
    virtual void runModal(QDialog& dialog) = 0;
    // Opens a document the program wrote with the desktop's viewer for it;
    // false when no viewer took it.
    virtual bool openDocument(const std::string& path) = 0;
    // Shows a folder in the desktop's file manager.
    virtual void showFolder(const std::string& path) = 0;
};

// The real dialogs, parented to a window.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : m_parent(parent) {}
    void showMessage(const UserMessage& message) override;
    bool askYesNo(const UserMessage& message) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(const FileDialogRequest& request) override;
    std::optional<std::int32_t> chooseColour(std::int32_t initial) override;
    void beep() override;
    void runModal(QDialog& dialog) override;
    bool openDocument(const std::string& path) override;
    void showFolder(const std::string& path) override;

private:
    QWidget* m_parent;
};

// "kvd file (*.kvd*)|*.kvd" -> "kvd file (*.kvd)": the pattern after the bar
// is what the list shows and matches.
std::string toQtFilter(const std::string& filter);

} // namespace kv
