#pragma once

#include <QProxyStyle>

class QSlider;

// A click on the groove puts the thumb where the user clicked, as a drag there
// would, instead of moving it a page.
class GrooveSeekStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

// Gives the slider the style, owned by the slider.
void setGrooveSeek(QSlider& slider);
