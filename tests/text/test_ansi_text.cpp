#include <QTest>

#include "platform/AnsiText.h"

class TestAnsiText : public QObject {
    Q_OBJECT
private slots:
    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII, controls, latin-1") << QStringLiteral("<a&b>\r\n\x0B caf\u00E9\u00FF")
                                                  << QByteArray("<a&b>\r\n\x0B caf\xE9\xFF");
        QTest::newRow("high block")
            << QStringLiteral("\u20AC\u201C\u2026\u0178") << QByteArray("\x80\x93\x85\x9F");
        QTest::newRow("CJK") << QStringLiteral("a\u65E5\u672Cb") << QByteArray("a??b");
        QTest::newRow("beyond the basic plane: one ?")
            << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y");
        QTest::newRow("lone surrogate, unmapped C1")
            << QString(QChar(0xD800)) + QChar(0x80) << QByteArray("??");
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ansiText::encode(text), bytes);
    }

    // Every byte, the five undefined ones too, survives decoding and encoding again.
    void everyByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = ansiText::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(ansiText::encode(text), all);
    }
};

QTEST_GUILESS_MAIN(TestAnsiText)
#include "test_ansi_text.moc"
