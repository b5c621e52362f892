#include "HelpWindow.h"

#include "AppPaths.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextImageFormat>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace kv {

HelpWindow::HelpWindow(const QStringList& candidates, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("kv Player Help"));
    resize(960, 680);

    m_contents = new QTreeWidget(this);
    m_contents->setObjectName(QStringLiteral("helpContents"));
    m_contents->setHeaderHidden(true);
    m_contents->setRootIsDecorated(false);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(false); // links within the guide are ours to follow
    m_browser->document()->setDocumentMargin(16);

    auto* split = new QSplitter(this);
    split->addWidget(m_contents);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 720});

    m_findBar = new QWidget(this);
    auto* findRow = new QHBoxLayout(m_findBar);
    findRow->setContentsMargins(6, 2, 6, 4);
    findRow->addWidget(new QLabel(QStringLiteral("Find:"), m_findBar));
    m_findEdit = new QLineEdit(m_findBar);
    m_findEdit->setObjectName(QStringLiteral("helpFind"));
    m_findEdit->setClearButtonEnabled(true);
    findRow->addWidget(m_findEdit, 1);
    auto button = [this, findRow](const QString& text, bool backward) {
        auto* b = new QToolButton(m_findBar);
        b->setText(text);
        connect(b, &QToolButton::clicked, this, [this, backward] { findFromBar(backward); });
        findRow->addWidget(b);
    };
    button(QStringLiteral("Previous"), true);
    button(QStringLiteral("Next"), false);
    m_findStatus = new QLabel(m_findBar);
    m_findStatus->setObjectName(QStringLiteral("helpFindStatus"));
    findRow->addWidget(m_findStatus);
    auto* closeFind = new QToolButton(m_findBar);
    closeFind->setText(QStringLiteral("Close"));
    connect(closeFind, &QToolButton::clicked, this, [this] {
        m_findBar->hide();
        m_browser->setFocus();
    });
    findRow->addWidget(closeFind);
    m_findBar->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(split, 1);
    column->addWidget(m_findBar);

    auto shortcut = [this](const QKeySequence& keys, auto fn) {
        auto* a = new QAction(this);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, fn);
        addAction(a);
    };
    shortcut(QKeySequence::Find, [this] { showFindBar(); });
    shortcut(QKeySequence::FindNext, [this] { findFromBar(false); });
    shortcut(QKeySequence::FindPrevious, [this] { findFromBar(true); });
    shortcut(QKeySequence(Qt::Key_Escape), [this] {
        m_findBar->hide();
        m_browser->setFocus();
    });
    connect(m_findEdit, &QLineEdit::returnPressed, this, [this] { findFromBar(false); });
    connect(m_findEdit, &QLineEdit::textEdited, this, [this] {
        // Search as the user types, from the start of the current match.
        QTextCursor c = m_browser->textCursor();
        c.setPosition(c.selectionStart());
        m_browser->setTextCursor(c);
        findFromBar(false);
    });
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(m_contents, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { jumpTo(item->data(0, Qt::UserRole).toString()); });
    connect(m_contents, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { jumpTo(item->data(0, Qt::UserRole).toString()); });

    load(candidates);
    m_browser->setFocus();
}

QStringList HelpWindow::defaultGuidePaths() {
    QStringList paths;
    for (const std::string& p : dataFileCandidates("user-guide.md"))
        paths << QString::fromStdString(p);
    return paths;
}

QString HelpWindow::anchorFor(const QString& heading) {
    QString anchor;
    for (const QChar c : heading.trimmed()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-'))
            anchor += c.toLower();
        else if (c.isSpace())
            anchor += QLatin1Char('-');
    }
    return anchor;
}

void HelpWindow::load(const QStringList& candidates) {
    for (const QString& c : candidates) {
        if (QFileInfo(c).isFile()) {
            m_guidePath = QFileInfo(c).absoluteFilePath();
            break;
        }
    }
    if (m_guidePath.isEmpty()) {
        QString html = QStringLiteral("<h1>The user guide was not found</h1>"
                                      "<p>kv Player looked for <b>user-guide.md</b> in:</p><ul>");
        for (const QString& c : candidates)
            html += QStringLiteral("<li>") + c.toHtmlEscaped() + QStringLiteral("</li>");
        html += QStringLiteral("</ul>");
        m_browser->setHtml(html);
        return;
    }
    // Pictures and links resolve against the guide's own folder.
    m_browser->setSource(QUrl::fromLocalFile(m_guidePath), QTextDocument::MarkdownResource);
    buildContents();
    m_browser->installEventFilter(this);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_browser && event->type() == QEvent::Resize) fitPictures();
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::fitPictures() {
    QTextDocument* doc = m_browser->document();
    // The page's width with the scroll bar shown, whether it is or not, so
    // that fitting cannot make the bar come and go.
    const int room = m_browser->contentsRect().width() -
                     m_browser->verticalScrollBar()->sizeHint().width() -
                     2 * static_cast<int>(doc->documentMargin());
    if (room == m_fittedTo || room < 50) return;
    m_fittedTo = room;
    struct Picture {
        int position;
        QTextImageFormat format;
    };
    std::vector<Picture> pictures;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                pictures.push_back(
                    {it.fragment().position(), it.fragment().charFormat().toImageFormat()});
    for (Picture& p : pictures) {
        const QVariant stored = doc->resource(QTextDocument::ImageResource, QUrl(p.format.name()));
        QImage image = stored.value<QImage>();
        if (image.isNull()) image = QImage::fromData(stored.toByteArray());
        if (image.isNull()) continue;
        const double width = std::min<double>(image.width(), room);
        p.format.setWidth(width);
        p.format.setHeight(image.height() * width / image.width());
        QTextCursor c(doc);
        c.setPosition(p.position);
        c.setPosition(p.position + 1, QTextCursor::KeepAnchor);
        c.setCharFormat(p.format);
    }
}

void HelpWindow::buildContents() {
    m_contents->clear();
    m_anchors.clear();
    std::vector<QTreeWidgetItem*> parents; // the last item of each level above
    for (QTextBlock b = m_browser->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level <= 0) continue;
        QString anchor = anchorFor(b.text());
        // Repeated headings get -1, -2, ... as on web pages.
        for (int n = 1; m_anchors.count(anchor); ++n)
            anchor = anchorFor(b.text()) + QLatin1Char('-') + QString::number(n);
        m_anchors[anchor] = b.position();
        while (static_cast<int>(parents.size()) >= level)
            parents.pop_back();
        while (!parents.empty() && parents.back() == nullptr)
            parents.pop_back();
        QTreeWidgetItem* item =
            parents.empty() ? new QTreeWidgetItem(m_contents) : new QTreeWidgetItem(parents.back());
        item->setText(0, b.text());
        item->setData(0, Qt::UserRole, anchor);
        while (static_cast<int>(parents.size()) < level - 1)
            parents.push_back(nullptr);
        parents.push_back(item);
    }
    m_contents->expandAll();
}

bool HelpWindow::jumpTo(const QString& anchor) {
    const auto it = m_anchors.find(anchor);
    if (it == m_anchors.end()) return false;
    QTextCursor c(m_browser->document());
    c.setPosition(it->second);
    m_browser->setTextCursor(c);
    // The heading at the top of the view, not just somewhere in it.
    QTextDocument* doc = m_browser->document();
    const QRectF r = doc->documentLayout()->blockBoundingRect(c.block());
    m_browser->verticalScrollBar()->setValue(static_cast<int>(r.top() - doc->documentMargin()));
    return true;
}

void HelpWindow::followLink(const QUrl& url) {
    const QUrl guide = QUrl::fromLocalFile(m_guidePath);
    const bool withinGuide =
        url.hasFragment() && (url.path().isEmpty() || url.adjusted(QUrl::RemoveFragment) == guide);
    if (withinGuide) {
        jumpTo(url.fragment());
        return;
    }
    QDesktopServices::openUrl(guide.resolved(url));
}

bool HelpWindow::findText(const QString& text, bool backward) {
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_browser->find(text, flags)) return true;
    // Wrap around: from the other end once.
    QTextCursor c(m_browser->document());
    c.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    const QTextCursor before = m_browser->textCursor();
    m_browser->setTextCursor(c);
    if (m_browser->find(text, flags)) return true;
    m_browser->setTextCursor(before);
    return false;
}

void HelpWindow::showFindBar() {
    m_findBar->show();
    m_findEdit->setFocus();
    m_findEdit->selectAll();
}

void HelpWindow::findFromBar(bool backward) {
    if (!m_findBar->isVisible()) {
        showFindBar();
        return;
    }
    const QString text = m_findEdit->text();
    const bool found = findText(text, backward);
    m_findStatus->setText(found || text.isEmpty() ? QString() : QStringLiteral("Not found"));
}

} // namespace kv
