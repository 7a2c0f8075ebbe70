#include "player/GrooveSeekStyle.h"

#include <QSlider>

int GrooveSeekStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                               QStyleHintReturn* returnData) const
{
    if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
        return Qt::LeftButton;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void setGrooveSeek(QSlider& slider)
{
    auto* style = new GrooveSeekStyle;
    style->setParent(&slider);
    slider.setStyle(style);
}
