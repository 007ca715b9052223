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
    // No titles: the pane shows no header.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        Fact fact;
        int line = 0; // a medium's line, for MediumLine
    };
    QString Caption(const Row& row) const;
    QString Value(const Row& row) const;
    std::string_view Detail(std::string_view key) const; // empty when the entry has none
    QString DetailText(std::string_view key) const;
    QStringList MediumLines() const;

    NodeObject shown_;
    std::vector<Row> rows_;
};

// "3:05" below an hour, "1:02:03" from an hour on; seconds as the details keep them ("185.32").
// Empty for a value that is no duration.
QString DurationText(std::string_view seconds);
// The camera as it names itself: the make, then the model unless the model already begins with
// the make ("Canon" "Canon EOS 5D" reads "Canon EOS 5D").
QString CameraText(std::string_view make, std::string_view model);
