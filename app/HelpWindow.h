// HelpWindow: the user guide inside the program. It renders the guide's
// Markdown with its pictures, lists its headings as contents, follows links
// within the guide, and searches it (Ctrl+F). When no guide is found it says
// where it looked.
#pragma once

#include <QStringList>
#include <QWidget>

#include <map>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;
class QWidget;

namespace kv {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the first of the candidate files that exists.
    explicit HelpWindow(const QStringList& candidates, QWidget* parent = nullptr);

    // Where the program looks for the guide: beside the program (as in the
    // build tree), then in the installed data folder.
    static QStringList defaultGuidePaths();

    QString guidePath() const { return m_guidePath; } // empty when none was found
    // The anchor a heading's link uses ("Keys" -> "keys"), as web pages name them.
    static QString anchorFor(const QString& heading);

    // Scrolls to a heading by its anchor; false when there is none.
    bool jumpTo(const QString& anchor);
    // Selects the next (or previous) match after the selection, wrapping at the
    // end; false when the text is nowhere in the guide.
    bool findText(const QString& text, bool backward = false);
    void showFindBar();

private:
    void load(const QStringList& candidates);
    void buildContents();
    // Scales pictures wider than the page down to its width (never up).
    void fitPictures();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void followLink(const QUrl& url);
    void findFromBar(bool backward);

    QString m_guidePath;
    QTextBrowser* m_browser;
    QTreeWidget* m_contents;
    QWidget* m_findBar;
    QLineEdit* m_findEdit;
    QLabel* m_findStatus;
    std::map<QString, int> m_anchors; // anchor -> position of its heading
    int m_fittedTo = -1;              // the page width the pictures were fitted to
};

} // namespace kv
