#include <QTest>

#include "platform/AnsiText.h"

class TestAnsiText : public QObject {
    Q_OBJECT
private slots:
    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii and markup") << QStringLiteral("<a & b>") << QByteArray("<a & b>");
        QTest::newRow("control characters kept")
            << QStringLiteral("a\r\n\x0B\tb") << QByteArray("a\r\n\x0B\tb");
        QTest::newRow("latin-1 range")
            << QStringLiteral("caf\u00E9 \u00FF\u00A0") << QByteArray("caf\xE9 \xFF\xA0");
        QTest::newRow("euro sign and quotes")
            << QStringLiteral("\u20AC \u201Cq\u201D \u2026") << QByteArray("\x80 \x93q\x94 \x85");
        QTest::newRow("last of the high block")
            << QStringLiteral("\u0178\u017E") << QByteArray("\x9F\x9E");
        QTest::newRow("CJK becomes ?") << QStringLiteral("a\u65E5\u672Cb") << QByteArray("a??b");
        QTest::newRow("character beyond the basic plane is one ?")
            << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y");
        QTest::newRow("lone surrogate is ?") << QString(QChar(0xD800)) << QByteArray("?");
        QTest::newRow("C1 controls of undefined bytes")
            << QStringLiteral("\u0081\u008D\u008F\u0090\u009D")
            << QByteArray("\x81\x8D\x8F\x90\x9D");
        QTest::newRow("other C1 control is ?") << QStringLiteral("\u0080") << QByteArray("?");
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ansiText::encode(text), bytes);
    }

    // Every byte decodes to a character that encodes to the same byte, so lines read from a file
    // can be written back unchanged.
    void everyByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = ansiText::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(ansiText::encode(text), all);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0x81), QChar(0x0081));
        QCOMPARE(text.at(0xE9), QChar(0x00E9));
    }
};

QTEST_GUILESS_MAIN(TestAnsiText)
#include "test_ansi_text.moc"
