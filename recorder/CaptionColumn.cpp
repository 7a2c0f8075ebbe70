#include "recorder/CaptionColumn.h"

#include <QLabel>
#include <algorithm>

namespace CaptionColumn {

namespace {

bool sameRow(const QWidget& a, const QWidget& b)
{
    return a.geometry().top() <= b.geometry().bottom() && b.geometry().top() <= a.geometry().bottom();
}

} // namespace

void fit(const QList<QLabel*>& captions)
{
    // Room for a blank between a caption's last character and its value.
    int column = 0;
    for (const QLabel* caption : captions) {
        if (!caption->isHidden())
            column =
                std::max(column, caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()) +
                                     caption->fontMetrics().averageCharWidth());
    }
    for (QLabel* caption : captions) {
        if (caption->isHidden())
            continue;
        for (QWidget* value :
             caption->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (value == caption || value->isHidden() || value->x() <= caption->x() || value->x() >= column ||
                !sameRow(*caption, *value))
                continue;
            const int right = value->geometry().right();
            value->setGeometry(column, value->y(), std::max(0, right + 1 - column), value->height());
        }
        caption->resize(column - caption->x(), caption->height());
    }
}

} // namespace CaptionColumn
