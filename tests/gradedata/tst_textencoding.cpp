#include "gradedata/textencoding.h"

#include <QTest>

// The two encodings of the data file, byte by byte: a swapped table or a lax UTF-8 check would
// survive a round trip, but not these.
class TestTextEncoding : public QObject {
    Q_OBJECT

private slots:
    // The bytes 0x80 to 0x9F of Windows-1252 are typographic characters, not control codes.
    void windows1252UpperRange_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("quotes and dashes")
            << QByteArray("\x91\x92\x93\x94\x96\x97")
            << QString::fromUtf8("\u2018\u2019\u201C\u201D\u2013\u2014");
        QTest::newRow("euro, ellipsis, trade mark")
            << QByteArray("\x80\x85\x99") << QString::fromUtf8("\u20AC\u2026\u2122");
        QTest::newRow("S, Z, Y with marks")
            << QByteArray("\x8A\x8E\x9A\x9E\x9F") << QString::fromUtf8("ŠŽšžŸ");
        QTest::newRow("unassigned bytes kept as controls")
            << QByteArray("\x81\x8D\x8F\x90\x9D")
            << QString::fromUtf8("\u0081\u008D\u008F\u0090\u009D");
        QTest::newRow("Latin-1 above")
            << QByteArray("\xA0\xE4\xF6\xFC\xDF\xFF") << QString::fromUtf8("\u00A0äöüßÿ");
        QTest::newRow("ASCII") << QByteArray("[Mathe]\r\n") << QStringLiteral("[Mathe]\r\n");
    }
    void windows1252UpperRange() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeWindows1252(bytes), text);
        const auto encoded = encodeWindows1252(text);
        QVERIFY(encoded);
        QCOMPARE(*encoded, bytes);
    }

    // Every byte comes back as it was.
    void windows1252EveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const auto back = encodeWindows1252(decodeWindows1252(all));
        QVERIFY(back);
        QCOMPARE(*back, all);
    }

    // What Windows-1252 can hold keeps a file in it; anything beyond makes it go over to UTF-8.
    void windows1252Limits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("held");
        QTest::newRow("no-break space") << QString(QChar(0x00A0)) << true;
        QTest::newRow("y with diaeresis") << QString(QChar(0x00FF)) << true;
        QTest::newRow("A with macron") << QString(QChar(0x0100)) << false;
        QTest::newRow("l with stroke") << QString::fromUtf8("ł") << false;
        QTest::newRow("square root") << QString::fromUtf8("√") << false;
        QTest::newRow("arrow") << QString::fromUtf8("→") << false;
        QTest::newRow("emoji") << QString::fromUtf8("😀") << false;
        QTest::newRow("C1 control without a Windows-1252 byte") << QString(QChar(0x0080)) << false;
    }
    void windows1252Limits() {
        QFETCH(QString, text);
        QFETCH(bool, held);
        QCOMPARE(encodeWindows1252(QStringLiteral("Erd") + text).has_value(), held);
    }

    void utf8Validation_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("ASCII") << QByteArray("Mathe=1\r\n") << true;
        QTest::newRow("two bytes") << QByteArray("\xC3\xA4") << true;
        QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << true;
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << true;
        QTest::newRow("last before surrogates") << QByteArray("\xED\x9F\xBF") << true;
        QTest::newRow("long ASCII run, then two bytes")
            << QByteArray("abcdefghijklmnop\xC3\xA4") << true;
        QTest::newRow("overlong NUL") << QByteArray("\xC0\x80") << false;
        QTest::newRow("overlong two-byte lead C1") << QByteArray("\xC1\xBF") << false;
        QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\x80") << false;
        QTest::newRow("overlong three bytes, largest") << QByteArray("\xE0\x9F\xBF") << false;
        QTest::newRow("overlong four bytes") << QByteArray("\xF0\x80\x80\x80") << false;
        QTest::newRow("overlong four bytes, largest") << QByteArray("\xF0\x8F\xBF\xBF") << false;
        QTest::newRow("high surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("low surrogate") << QByteArray("\xED\xBF\xBF") << false;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("lead F5") << QByteArray("\xF5\x80\x80\x80") << false;
        QTest::newRow("lead FF") << QByteArray("\xFF") << false;
        QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
        QTest::newRow("cut two-byte") << QByteArray("Erd\xC3") << false;
        QTest::newRow("cut three-byte") << QByteArray("\xE2\x82") << false;
        QTest::newRow("cut four-byte") << QByteArray("\xF0\x9F\x98") << false;
        QTest::newRow("cut, then ASCII") << QByteArray("\xE2\x82"
                                                       "abcdefgh")
                                         << false;
        QTest::newRow("Windows-1252 umlaut") << QByteArray("Erd\xF6l") << false;
    }
    void utf8Validation() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(isValidUtf8(bytes), valid);
        // The same behind a run of ASCII that is checked eight bytes at a time.
        QCOMPARE(isValidUtf8(QByteArray(13, 'x') + bytes), valid);
    }
};

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
