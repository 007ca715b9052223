// The message boxes the program shows through the Qt side of the interaction seam: the icon of
// their kind, and questions dismissed without an answer told apart from No.
#include "support/qtprinters.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace ShelvixMessages;

QString Q(const std::string& text) { return QString::fromStdString(text); }

TEST(MessageBoxes, IconAndAnswerOfEachKind) {
    ResetMessagesToBuiltIn();
    SetInteraction(nullptr);
    const std::function<void(QMessageBox*)> escape = [](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
    };
    const std::function<void(QMessageBox*)> closeBox = [](QMessageBox* box) { box->close(); };
    const std::function<void(QMessageBox*)> yes = [](QMessageBox* box) {
        box->button(QMessageBox::Yes)->click();
    };
    const std::function<void(QMessageBox*)> no = [](QMessageBox* box) {
        box->button(QMessageBox::No)->click();
    };
    // Cancel is a button the user sees only where it is one of the answers.
    const std::function<void(QMessageBox*)> cancel = [](QMessageBox* box) {
        ASSERT_TRUE(box->button(QMessageBox::Cancel)->isVisible());
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), "&Cancel") << "Alt+C answers it";
        box->button(QMessageBox::Cancel)->click();
    };
    const struct {
        const char* what;
        QString caption;
        TMessageButtons buttons;
        std::function<void(QMessageBox*)> act;
        QMessageBox::Icon icon;
        TModalResult result;
    } cases[] = {
        {"error, Escape", Q(msgError), TMessageButtons::Ok, escape, QMessageBox::Critical, mrOk},
        {"hint, closed", Q(msgHint), TMessageButtons::Ok, closeBox, QMessageBox::Information, mrOk},
        {"question, Yes", Q(msgQuestion), TMessageButtons::YesNo, yes, QMessageBox::Question, mrYes},
        {"question, No", Q(msgQuestion), TMessageButtons::YesNo, no, QMessageBox::Question, mrNo},
        {"question, Escape", Q(msgQuestion), TMessageButtons::YesNo, escape, QMessageBox::Question,
         mrCancel},
        {"question, closed", Q(msgQuestion), TMessageButtons::YesNo, closeBox,
         QMessageBox::Question, mrCancel},
        {"error asking Yes/No", Q(msgError), TMessageButtons::YesNo, no, QMessageBox::Critical, mrNo},
        {"save question, Cancel", Q(msgQuestion), TMessageButtons::YesNoCancel, cancel,
         QMessageBox::Question, mrCancel},
        {"save question, Yes", Q(msgQuestion), TMessageButtons::YesNoCancel, yes,
         QMessageBox::Question, mrYes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QTimer::singleShot(0, qApp, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->icon();
            c.act(box);
        });
        EXPECT_EQ(Interaction().MessageBox(nullptr, c.caption, QStringLiteral("text"), c.buttons),
                  c.result);
        EXPECT_EQ(shown, c.icon);
    }
}

// A choice: one button per answer, the first the default, Escape the last.
TEST(MessageBoxes, ChoiceAnswersByPosition) {
    SetInteraction(nullptr);
    const QStringList answers = {"Add as a new medium", "Update \u00ABA\u00BB", "Cancel"};
    const struct {
        const char* what;
        std::function<void(QMessageBox*)> act;
        int result;
    } cases[] = {
        {"Return takes the first", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }, 0},
        {"the second clicked",
         [](QMessageBox* box) {
             for (QAbstractButton* button : box->buttons())
                 if (button->text().startsWith("&Update")) button->click();
         },
         1},
        {"Escape takes the last", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList shown;
        QTimer::singleShot(0, qApp, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* button : box->buttons()) shown << button->text();
            c.act(box);
        });
        EXPECT_EQ(Interaction().Choose(nullptr, Q(msgQuestion), QStringLiteral("text"), answers), c.result);
        shown.sort();
        // Each answer with a letter of its own: Alt+A, Alt+U, Alt+C.
        const QStringList expected = {"&Add as a new medium", "&Cancel", "&Update \u00ABA\u00BB"};
        EXPECT_EQ(shown, expected);
    }
}

} // namespace
