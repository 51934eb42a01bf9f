#pragma once
// Readable gtest failure messages for Qt's text and list types.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os)
{
    *os << '"' << b.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '(' << l.join(QStringLiteral(", ")).toStdString() << ')';
}
