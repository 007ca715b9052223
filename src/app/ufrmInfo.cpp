#include "app/ufrmInfo.h"

#include "app/appicon.h"
#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "widgets/keyboardaccess.h"
#include "widgets/widgetfactory.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>

namespace {

constexpr int LogoWidth = 393;
constexpr int LogoHeight = 81;

} // namespace

QPixmap TfrmInfo::Logo(qreal devicePixelRatio) {
    // The application icon (the shelf of disc cases the desktop menu shows) and the name.
    QPixmap logo(qRound(LogoWidth * devicePixelRatio), qRound(LogoHeight * devicePixelRatio));
    logo.setDevicePixelRatio(devicePixelRatio);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(QPoint(0, 0), ApplicationIconPixmap(LogoHeight, devicePixelRatio));

    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(QColor(0x2f, 0x3d, 0x5a));
    painter.drawText(QRectF(LogoHeight + 16, 0, LogoWidth - LogoHeight - 16, LogoHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Shelvix"));
    return logo;
}

TfrmInfo::TfrmInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Information"));

    Image1 = Named(new QLabel(this), "Image1");
    Image1->setFixedSize(LogoWidth, LogoHeight);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(Logo(devicePixelRatioF()));
    Image1->installEventFilter(this);

    Label1 = MakeLabel(this, "Label1", "Shelvix");
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    Label1->setFont(title);
    LabelVersion = MakeLabel(this, "LabelVersion", "###");

    GroupBoxInfo = MakeGroup(this, "GroupBoxInfo", "   Program information:   ");
    LabelIRar = MakeLabel(GroupBoxInfo, "LabelIRar", "RAR support:");
    LabelRAR = MakeLabel(GroupBoxInfo, "LabelRAR", "###");
    LabelIZip = MakeLabel(GroupBoxInfo, "LabelIZip", "ZIP support:");
    LabelZIP = MakeLabel(GroupBoxInfo, "LabelZIP", "###");
    auto* support = new QGridLayout(GroupBoxInfo);
    support->addWidget(LabelIRar, 0, 0);
    support->addWidget(LabelRAR, 0, 1);
    support->addWidget(LabelIZip, 1, 0);
    support->addWidget(LabelZIP, 1, 1);
    support->setColumnMinimumWidth(0, 100);
    support->setColumnStretch(1, 1);

    ScrollingLabelEasterEgg =
        MakeLabel(this, "ScrollingLabelEasterEgg",
                  "Shelvix - catalogued with Qt, bzip2, libarchive and pugixml. Thanks for keeping "
                  "your shelves in order!");
    ScrollingLabelEasterEgg->setTextFormat(Qt::PlainText);
    // Shown and hidden again while the box is open; keep its line so the box does not jump.
    QSizePolicy keepLine = ScrollingLabelEasterEgg->sizePolicy();
    keepLine.setRetainSizeWhenHidden(true);
    keepLine.setHorizontalPolicy(QSizePolicy::Ignored);
    ScrollingLabelEasterEgg->setSizePolicy(keepLine);
    ScrollingLabelEasterEgg->hide();
    ScrollTimer = new QTimer(this);
    ScrollTimer->setInterval(ScrollStepMs);
    connect(ScrollTimer, &QTimer::timeout, this, &TfrmInfo::ScrollStep);

    ButtonClose = MakeButton(this, "ButtonClose", "&Close");
    ButtonClose->setDefault(true);
    CloseOnClick(this, ButtonClose, mrOk);

    auto* page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize); // sized to its contents
    page->addWidget(Image1);
    page->addWidget(Label1);
    page->addWidget(LabelVersion);
    page->addWidget(GroupBoxInfo);
    page->addWidget(ScrollingLabelEasterEgg);
    page->addLayout(RightAlignedRow({ButtonClose}));
    NameForScreenReaders({{ButtonClose, nullptr, "Closes the information"}});
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}

void TfrmInfo::showEvent(QShowEvent* event) {
    FDoubleClicks = 0;
    ScrollTimer->stop();
    ScrollingLabelEasterEgg->hide();
    QDialog::showEvent(event);
}

bool TfrmInfo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) Image1DblClick();
    return QDialog::eventFilter(watched, event);
}

void TfrmInfo::Image1DblClick() {
    if (FDoubleClicks < INT32_MAX) ++FDoubleClicks;
    if (FDoubleClicks >= CreditsAtDoubleClick && ScrollingLabelEasterEgg->isHidden()) {
        // A gap between the line's end and its start as it comes round again.
        const QString gap(6, QLatin1Char(' '));
        const QString text = ScrollingLabelEasterEgg->text();
        if (!text.contains(gap)) ScrollingLabelEasterEgg->setText(text + gap);
        ScrollingLabelEasterEgg->show();
        ScrollTimer->start();
    }
}

void TfrmInfo::ScrollStep() {
    if (!isVisible()) { // the box was closed while the line ran
        ScrollTimer->stop();
        return;
    }
    const QString text = ScrollingLabelEasterEgg->text();
    if (text.size() > 1) ScrollingLabelEasterEgg->setText(text.mid(1) + text.at(0));
}
