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

} // namespace
