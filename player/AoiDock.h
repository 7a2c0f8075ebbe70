#pragma once

#include "player/data/Aoi.h"

#include <QDockWidget>
#include <functional>
#include <vector>

class QListWidget;

// The list of the movie's areas of interest beside the movie, each in its
// colour; choosing one selects it, a double click asks for its new name.
class AoiDock : public QDockWidget
{
public:
    // onChosen receives the index of the area chosen in the list, onRename the
    // index of the area double-clicked.
    AoiDock(QWidget* parent, std::function<void(int)> onChosen, std::function<void(int)> onRename);

    // Shows these areas with the selected one (-1: none) marked.
    void showAreas(const std::vector<Aoi>& aois, std::ptrdiff_t selected);
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};
