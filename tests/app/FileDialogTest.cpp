// The real file dialogs, driven by keys typed into the name field: the name
// the user types or accepts is the name used, quotes and all.
#include "Dialogs.h"
#include "TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Key presses for each character, letters outside ASCII as the keyboard
// sends them: a key event carrying the character's text.
void typeText(QWidget* field, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(field, static_cast<char>(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Types text (when given) into the focused widget of the dialog that opens,
// then presses Return there.
void answerNextDialog(const QString& typed, bool clearFirst) {
    QTimer::singleShot(0, [typed, clearFirst] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->activateWindow();
        QWidget* field =
            QTest::qWaitForWindowActive(dialog) ? QApplication::focusWidget() : nullptr;
        if (!field || field->objectName() != QStringLiteral("fileNameEdit")) {
            dialog->reject();
            FAIL() << "the name field does not have the focus";
        }
        if (clearFirst) {
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Delete);
        }
        typeText(field, typed);
        // A question or warning the dialog raises instead is closed, so the
        // test fails rather than waits.
        QTimer::singleShot(1000, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->reject();
        });
        QTest::keyClick(field, Qt::Key_Return);
        // A dialog that did not take the name is closed, so the test ends.
        if (dialog->isVisible()) dialog->reject();
    });
}

TEST(FileDialog, NamesWithQuotesAreTakenWhole) {
    test::TempDir dir;
    test::writeText(dir.file("a \"b\" c.ini"), "[Format]\n");
    QWidget parent;
    QtDialogs dialogs(&parent);
    const std::string pdf = "my \"séance\" Ölçü 01.pdf";
    const struct {
        const char* name;
        bool save;
        std::string fileName; // what the dialog starts with
        QString typed;
        std::string expected;
    } cases[] = {
        {"typed in Save", true, "", QStringLiteral("my \"séance\" ölçü 1"),
         dir.file("my \"séance\" ölçü 1.kvd")},
        {"accepted as offered", true, pdf, QString(), dir.file(pdf)},
        {"without quotes", true, "", QStringLiteral("plain name"), dir.file("plain name.kvd")},
        {"an existing file opened", false, "", QStringLiteral("a \"b\" c.ini"),
         dir.file("a \"b\" c.ini")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileDialogRequest request{"Choose", "any (*)|*", dir.path(), c.fileName};
        request.defaultSuffix = "kvd";
        answerNextDialog(c.typed, c.fileName.empty());
        const auto chosen = c.save ? dialogs.saveFile(request) : dialogs.openFile(request);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, c.expected);
    }
}

} // namespace
} // namespace kv
