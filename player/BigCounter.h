#pragma once

#include <QLabel>

// The big counter over the bottom left of the video: the movie time above the
// shot, green on dark grey in a typewriter face.
class BigCounter : public QLabel
{
public:
    explicit BigCounter(QWidget* parent = nullptr);
};
