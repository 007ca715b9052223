// What the preview pane says beside the picture: the selected entry's size in bytes, its date
// and the main details read from the file (photo, music, video), or a medium's facts as its
// tooltip gives them. Two columns, caption and value; every text is made when the view asks,
// so a language file's captions show at the next paint.
#pragma once

#include "widgets/mediaviewmodels.h"

#include <QAbstractTableModel>

#include <vector>

class TPreviewFactsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { colCaption, colValue };
    // The facts a row can show; an entry shows those it has, in this order.
    enum class Fact { Size, Date, Folders, Files, Dimensions, Duration, Taken, Camera, Title, Artist, Album, MediumLine };

    using QAbstractTableModel::QAbstractTableModel;

    // One model reset each; nothing (both null) empties the list.
    void Show(NodeObject object);
    void Clear() { Show({}); }
    NodeObject Shown() const { return shown_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // No titles: the pane shows no header; screen readers get a name for each column.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        Fact fact;
        int line = 0; // a medium's line, for MediumLine
    };
    QString Caption(const Row& row) const;
    QString Value(const Row& row) const;
    QStringList MediumLines() const;

    NodeObject shown_;
    std::vector<Row> rows_;
};
