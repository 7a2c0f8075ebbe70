#include "player/core/TitleText.h"

#include "player/core/StringTable.h"

namespace TitleText {

QString movieTime(int positionMs, int timePerFrame)
{
    const int position = std::max(0, positionMs);
    const int seconds = position / 1000;
    const int frame = timePerFrame > 0 ? static_cast<int>((position % 1000) * 10000LL / timePerFrame) : 0;
    return QString::asprintf("%02d:%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60, frame);
}

QString caption()
{
    return QStringLiteral("Orvalis Reelscan Gazeview");
}

QString shot(int shotNumber, int shotCount)
{
    return QString::asprintf("# %d / %d", shotNumber, shotCount);
}

QString windowTitle(const QString& movieFileName, const QString& time, const QString& shot)
{
    // The format comes from a catalogue that may be translated: fill its %s
    // fields one by one rather than trusting it as a printf format.
    const QString format = loadString(IDS_WINDOW_TITLE_FORMAT);
    const QString values[] = {movieFileName, time, shot, caption()};
    QString title;
    int next = 0;
    for (int i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size() && format[i + 1] == QLatin1Char('s') &&
            next < 4) {
            title += values[next++];
            ++i;
        } else {
            title += format[i];
        }
    }
    return title;
}

QString counter(const QString& time, const QString& shot)
{
    return time + QStringLiteral("\n") + shot;
}

} // namespace TitleText
