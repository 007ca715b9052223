// The three image lists of the main window. Windows address icons by these index numbers.
#pragma once

#include <QIcon>
#include <vector>

class TImageList {
public:
    // The icon at `index`, or a null icon when there is none (index -1 or out of range).
    QIcon At(int index) const;
    int Count() const { return static_cast<int>(icons_.size()); }
    void Set(int index, const QIcon& icon);

private:
    std::vector<QIcon> icons_;
};

// Action icons: 0 New, 1 Open, 2 Save, 32 Search, 33 Details, 34 Restore, 36 archives toggle,
// 37 Add, 38 Remove, 39 Update, 40 Index, 41 preview pane, 42 icon view.
TImageList MakeImageListMenu();
// Media tree: 0 removable, 1 fixed, 2 network, 3 optical, 4 RAM disk, 5 no root folder,
// 6 unknown drive type, 7 removed medium, 8 folder, 9 medium whose contents are damaged.
TImageList MakeImageListDrives();
// Explorer: 0 folder, 2 file, 3 compressed archive, 4 medium.
TImageList MakeImageListFolders();
