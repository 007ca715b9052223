// The preview pane at the right of a list: the selected entry's small picture, its name, and
// its facts (size in bytes, date, what the file is), or a medium's facts. The texts show at
// once; the picture follows when its read is done, so moving through a list with the keys
// never waits for one.
#pragma once

#include "widgets/mediaviewmodels.h"

#include <QPixmap>
#include <QWidget>

class QLabel;
class QTreeView;
class CMedienListe;
class TPreviewFactsModel;
class TPreviewLoader;

class TPreviewPane : public QWidget {
    Q_OBJECT
public:
    // `loader` (not owned) reads the pictures; it outlives the pane.
    TPreviewPane(TPreviewLoader* loader, QWidget* parent);

    QLabel* PreviewPicture; // the picture, "No preview", or a medium's icon; named after the entry
    QLabel* PreviewName;
    QTreeView* PreviewFacts;

    // What is shown; an entry of `catalogue`, or a medium with its icon. Nothing empties the pane.
    void ShowEntry(const CMedienListe* catalogue, const CFile* entry);
    void ShowMedium(CMedium* medium, const QIcon& icon);
    void Clear();
    NodeObject Shown() const;
    TPreviewFactsModel& Facts() { return *facts_; }
    // The picture shown, null while it is read or when there is none.
    const QPixmap& Picture() const { return picture_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetName(const QString& name);
    void SetPicture(const QPixmap& picture);
    void FitPicture();
    void SayNoPreview();

    TPreviewLoader* loader_;
    TPreviewFactsModel* facts_;
    QPixmap picture_;
    QIcon mediumIcon_;
};

// Whether the user wants the preview panes, as kept in the settings file (off at first).
bool PreviewPaneWanted();
void KeepPreviewPaneWanted(bool wanted);
