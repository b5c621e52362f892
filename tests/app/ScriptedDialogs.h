// ScriptedDialogs: answers the window's dialogs from a script and records
// every message and file request, for GUI tests without modal loops.
#pragma once

#include "Dialogs.h"

#include <deque>
#include <functional>
#include <vector>

namespace kv::test {

class ScriptedDialogs final : public Dialogs {
public:
    struct Log {
        std::vector<UserMessage> messages;
        std::vector<FileDialogRequest> fileRequests;
        std::deque<std::optional<std::string>> fileAnswers; // nullopt = cancel
        std::deque<std::optional<std::int32_t>> colourAnswers;
        std::deque<bool> yesNoAnswers;          // "No" once they run out
        std::vector<std::int32_t> colourStarts; // the initial colour of each colour dialog
        int beeps = 0;
        std::function<void(QDialog&)> onModal; // plays the user's part in a dialog
        std::vector<std::string> openedDocuments;
        bool documentViewer = true; // a viewer takes the documents opened
        std::vector<std::string> openedFolders;
    };
    explicit ScriptedDialogs(Log* log) : m_log(log) {}

    void showMessage(const UserMessage& m) override { m_log->messages.push_back(m); }
    bool askYesNo(const UserMessage& m) override {
        m_log->messages.push_back(m);
        if (m_log->yesNoAnswers.empty()) return false;
        const bool yes = m_log->yesNoAnswers.front();
        m_log->yesNoAnswers.pop_front();
        return yes;
    }
    std::optional<std::string> openFile(const FileDialogRequest& r) override { return answer(r); }
    std::optional<std::string> saveFile(const FileDialogRequest& r) override { return answer(r); }
    std::optional<std::string> chooseFolder(const FileDialogRequest& r) override { return answer(r); }
    std::optional<std::int32_t> chooseColour(std::int32_t initial) override {
        m_log->colourStarts.push_back(initial);
        if (m_log->colourAnswers.empty()) return std::nullopt;
        auto a = m_log->colourAnswers.front();
        m_log->colourAnswers.pop_front();
        return a;
    }
    void beep() override { ++m_log->beeps; }
    void runModal(QDialog& dialog) override {
        if (m_log->onModal) m_log->onModal(dialog);
    }
    bool openDocument(const std::string& path) override {
        m_log->openedDocuments.push_back(path);
        return m_log->documentViewer;
    }
    void showFolder(const std::string& path) override { m_log->openedFolders.push_back(path); }

private:
    std::optional<std::string> answer(const FileDialogRequest& r) {
        m_log->fileRequests.push_back(r);
        if (m_log->fileAnswers.empty()) return std::nullopt;
        auto a = m_log->fileAnswers.front();
        m_log->fileAnswers.pop_front();
        return a;
    }
    Log* m_log;
};

} // namespace kv::test
