#pragma once

// Lets Qt values be log items: LOG("path: ", qstring). Text is written as UTF-8.

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>
#include <ostream>

inline std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << text.toUtf8().constData();
}

inline std::ostream& operator<<(std::ostream& out, const QByteArray& bytes)
{
    return out.write(bytes.constData(), bytes.size());
}

inline std::ostream& operator<<(std::ostream& out, const QStringList& list)
{
    return out << list.join(QStringLiteral(" "));
}

inline std::ostream& operator<<(std::ostream& out, const QRect& r)
{
    return out << '(' << r.left() << ", " << r.top() << ", " << r.right() << ", " << r.bottom() << ')';
}
