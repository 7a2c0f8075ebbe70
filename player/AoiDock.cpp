#include "player/AoiDock.h"

#include "player/data/AoiView.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QPixmap>
#include <QSignalBlocker>

AoiDock::AoiDock(QWidget* parent, std::function<void(int)> onChosen, std::function<void(int)> onRename)
    : QDockWidget(QCoreApplication::translate("Menu", "Areas of interest"), parent), list_(new QListWidget)
{
    setObjectName(QStringLiteral("aoiList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The keys belong to the window's commands.
    list_->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::NoFocus);
    setWidget(list_);
    connect(list_, &QListWidget::currentRowChanged, this, [onChosen = std::move(onChosen)](int row) {
        if (row >= 0)
            onChosen(row);
    });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this, onRename = std::move(onRename)](QListWidgetItem* item) {
                if (const int row = list_->row(item); row >= 0)
                    onRename(row);
            });
}

void AoiDock::showAreas(const std::vector<Aoi>& aois, std::ptrdiff_t selected)
{
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (std::size_t i = 0; i < aois.size(); ++i) {
        QPixmap swatch(14, 14);
        swatch.fill(QColor(QRgb(aoiColour(i))));
        list_->addItem(new QListWidgetItem(QIcon(swatch), QString::fromStdString(aois[i].name)));
    }
    list_->setCurrentRow(static_cast<int>(selected));
}
