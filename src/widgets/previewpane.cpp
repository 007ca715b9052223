#include "widgets/previewpane.h"

#include "language/messagetable.h"
#include "catalogue/previews.h"
#include "widgets/previewfacts.h"
#include "widgets/previewloader.h"
#include "widgets/windowsettings.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
// The previews' longest side: the picture is never drawn larger than it was kept.
constexpr int kPictureSide = 256;
constexpr int kMediumIconSide = 64;

QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }
} // namespace

TPreviewPane::TPreviewPane(TPreviewLoader* loader, QWidget* parent)
    : QWidget(parent), loader_(loader), facts_(new TPreviewFactsModel(this)) {
    PreviewPicture = new QLabel(this);
    PreviewPicture->setObjectName(QStringLiteral("PreviewPicture"));
    PreviewPicture->setAlignment(Qt::AlignCenter);
    PreviewPicture->setMinimumSize(64, 64);
    PreviewPicture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    PreviewPicture->setFixedHeight(kPictureSide);
    PreviewPicture->setFrameShape(QFrame::StyledPanel);
    PreviewName = new QLabel(this);
    PreviewName->setObjectName(QStringLiteral("PreviewName"));
    PreviewName->setTextFormat(Qt::PlainText);
    PreviewName->setWordWrap(true);
    PreviewName->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    PreviewName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont bold = PreviewName->font();
    bold.setBold(true);
    PreviewName->setFont(bold);
    PreviewFacts = new QTreeView(this);
    PreviewFacts->setObjectName(QStringLiteral("PreviewFacts"));
    PreviewFacts->setModel(facts_);
    PreviewFacts->setHeaderHidden(true);
    PreviewFacts->setRootIsDecorated(false);
    PreviewFacts->setItemsExpandable(false);
    PreviewFacts->setSelectionMode(QAbstractItemView::NoSelection);
    PreviewFacts->setFocusPolicy(Qt::NoFocus); // the keys stay in the list the pane follows
    PreviewFacts->setFrameShape(QFrame::NoFrame);
    PreviewFacts->header()->setStretchLastSection(true);
    PreviewFacts->header()->setSectionResizeMode(TPreviewFactsModel::colCaption, QHeaderView::ResizeToContents);
    PreviewFacts->setAccessibleName(QStringLiteral("Facts"));
    PreviewFacts->setAccessibleDescription(QStringLiteral("Size, date and details of the selected entry"));
    PreviewPicture->setAccessibleDescription(QStringLiteral("The preview of the selected entry"));
    PreviewName->setAccessibleName(QStringLiteral("Name"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(PreviewPicture);
    column->addWidget(PreviewName);
    column->addWidget(PreviewFacts, 1);
    setMinimumWidth(160);

    connect(loader_, &TPreviewLoader::Loaded, this, [this](const CFile* entry) {
        QPixmap image;
        if (entry != facts_->Shown().entry || !loader_->Cached(entry, image)) return;
        if (image.isNull()) SayNoPreview(); // the file gave it no longer whole
        else SetPicture(image);
    });
    Clear();
}

NodeObject TPreviewPane::Shown() const { return facts_->Shown(); }

void TPreviewPane::ShowEntry(const CMedienListe* catalogue, const CFile* entry) {
    if (!entry || !catalogue || !entry->Medium) return Clear();
    facts_->Show({nullptr, const_cast<CFile*>(entry)});
    SetName(Bytes(entry->Name()));
    mediumIcon_ = {};
    QPixmap image;
    if (loader_->Cached(entry, image)) {
        if (image.isNull()) SayNoPreview();
        else SetPicture(image);
    } else if (HasPreview(*catalogue, *entry->Medium, entry)) {
        SetPicture({}); // nothing, rather than waiting for the read
        loader_->Request(catalogue, entry, true);
    } else {
        SayNoPreview();
    }
}

void TPreviewPane::ShowMedium(CMedium* medium, const QIcon& icon) {
    if (!medium) return Clear();
    facts_->Show({medium, nullptr});
    SetName(Bytes(medium->Name));
    mediumIcon_ = icon;
    SetPicture({});
}

void TPreviewPane::Clear() {
    facts_->Clear();
    mediumIcon_ = {};
    SetName({});
    SetPicture({});
}

void TPreviewPane::SetName(const QString& name) {
    PreviewName->setText(name);
    // A screen reader names the picture after what it shows.
    PreviewPicture->setAccessibleName(name.isEmpty() ? QStringLiteral("Preview") : name);
}

void TPreviewPane::SayNoPreview() {
    picture_ = {};
    PreviewPicture->setPixmap({});
    PreviewPicture->setText(QString::fromStdString(ShelvixMessages::msgNoPreview));
}

void TPreviewPane::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    PreviewPicture->clear();
    FitPicture();
}

void TPreviewPane::FitPicture() {
    if (!mediumIcon_.isNull()) {
        PreviewPicture->setPixmap(mediumIcon_.pixmap(kMediumIconSide, kMediumIconSide));
        return;
    }
    if (picture_.isNull()) return;
    const QSize room = PreviewPicture->contentsRect().size().boundedTo(QSize(kPictureSide, kPictureSide));
    QPixmap shown = picture_;
    if (shown.width() > room.width() || shown.height() > room.height())
        shown = shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    PreviewPicture->setPixmap(shown);
}

void TPreviewPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitPicture();
}

namespace {
const QString kWantedKey = QStringLiteral("View/PreviewPane");
}

bool PreviewPaneWanted() { return WindowSettings()->value(kWantedKey, false).toBool(); }

void KeepPreviewPaneWanted(bool wanted) { WindowSettings()->setValue(kWantedKey, wanted); }
