#include "player/BigCounter.h"

BigCounter::BigCounter(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("counter"));
    setText(QStringLiteral("hh:mm:ss:ff\n# nn / NN"));
    // A cell height of 40 pixels, as the counter was designed with: about 32 to the em.
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(32);
    setFont(font);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    colours.setColor(QPalette::WindowText, QColor(16, 255, 32));
    setPalette(colours);
}
