#pragma once
// The navigation pane's 51 images: 0..41 are the Web Help topic images of the program
// folder (webhelp/icons/1.gif .. 42.gif), 42..50 the pane's own (groups, non-contents
// pages, templates) from the resources.

#include <QIcon>
#include <QVector>

namespace parvane {

class TTreeImages {
public:
    TTreeImages();
    // An empty icon for an index outside 0..50.
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(icons_.size()); }

private:
    QVector<QIcon> icons_;
};

} // namespace parvane
