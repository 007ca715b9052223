#include "app/removedmediamodel.h"

#include "widgets/imagelists.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/mediaclasses.h"

namespace {
QString Bytes(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}
} // namespace

TRemovedMediaModel::TRemovedMediaModel(const TImageList* drives, QObject* parent)
    : TFlatListModel({QStringLiteral("Name"), QStringLiteral("Category")}, parent),
      drives_(drives) {}

int TRemovedMediaModel::Fill(CMedienListe* catalogue) {
    beginResetModel();
    catalogue_ = catalogue;
    Rows.clear();
    if (catalogue_) {
        for (int i = 0; i < catalogue_->Count(); ++i)
            if (!catalogue_->GetMedium(i)->Present) Rows.push_back(i);
    }
    endResetModel();
    return int(Rows.size());
}

CMedium* TRemovedMediaModel::MediumAt(const QModelIndex& index) const {
    if (!catalogue_ || !index.isValid() || index.model() != this || index.row() >= int(Rows.size()))
        return nullptr;
    return catalogue_->GetMedium(Rows[size_t(index.row())]);
}

QVariant TRemovedMediaModel::data(const QModelIndex& index, int role) const {
    const CMedium* medium = MediumAt(index);
    if (!medium) return {};
    if (role == Qt::DisplayRole)
        return Bytes(index.column() == 0 ? medium->Name : medium->CategoryName());
    if (role == Qt::DecorationRole && index.column() == 0 && drives_) {
        const QIcon icon = drives_->At(DriveImageIndex(medium->DriveType));
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    return {};
}
