// The shared JSON helpers.
#include "shell/Utilities.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(JsonBytes, OnlyAnObjectIsAnObject)
{
    EXPECT_TRUE(jsonFromBytes(QByteArrayLiteral("[1,2,3]")).isEmpty());
    EXPECT_TRUE(jsonFromBytes(QByteArrayLiteral("[{\"a\":1}]")).isEmpty());
    EXPECT_TRUE(jsonFromBytes(QByteArrayLiteral("not json")).isEmpty());
    EXPECT_TRUE(jsonFromBytes(QByteArrayLiteral("{\"a\":1")).isEmpty());
    EXPECT_TRUE(jsonFromBytes(QByteArray()).isEmpty());
    EXPECT_TRUE(jsonFromBytes(QByteArrayLiteral("42")).isEmpty());

    const QJsonObject o
        = jsonFromBytes(QByteArrayLiteral(" {\"ip\": \"10.0.0.1\", \"port\": 80, \"ch\": [1, 2]} "));
    EXPECT_EQ(o.value(QStringLiteral("ip")).toString(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(o.value(QStringLiteral("port")).toInt(), 80);
    EXPECT_EQ(o.value(QStringLiteral("ch")).toArray().size(), 2);
}

TEST(JsonBytes, ObjectsAreWrittenCompactAndReadBack)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), QString::fromUtf8("Kamera \xE5\x8C\x97")); // 北
    o.insert(QStringLiteral("port"), 8000);
    o.insert(QStringLiteral("list"), QJsonArray { 1, 2 });
    const QByteArray text = jsonToBytes(o);
    EXPECT_FALSE(text.contains('\n'));
    EXPECT_FALSE(text.contains(": "));
    EXPECT_EQ(text, QByteArray("{\"list\":[1,2],\"name\":\"Kamera \xE5\x8C\x97\",\"port\":8000}"));
    EXPECT_EQ(jsonFromBytes(text), o);
    EXPECT_EQ(jsonToBytes(QJsonObject()), QByteArrayLiteral("{}"));
}
