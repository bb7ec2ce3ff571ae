#include "store/jet/reader/JetText.h"

#include <QTest>

#include <optional>
#include <string>

using namespace Qt::StringLiterals;
using namespace Larkspan;

namespace {

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), size_t(bytes.size())};
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

} // namespace

class TestJetText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The expected text is null when decoding must fail.
    void decodesJet4Text_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << QByteArray() << u""_s;
        QTest::newRow("plain utf-16") << utf16le(u"Größe"_s) << u"Größe"_s;
        QTest::newRow("greek, cyrillic, japanese")
            << utf16le(u"Ελλ Рус 日本"_s) << u"Ελλ Рус 日本"_s;
        QTest::newRow("emoji as surrogate pair") << utf16le(u"a😀b"_s) << u"a😀b"_s;
        QTest::newRow("two emoji in a row") << utf16le(u"🎉😀"_s) << u"🎉😀"_s;
        QTest::newRow("odd length") << utf16le(u"ab"_s).left(3) << QString();
        QTest::newRow("high surrogate at the end")
            << utf16le(u"a"_s) + QByteArray("\x3d\xd8", 2) << QString();
        QTest::newRow("high surrogate before a letter")
            << QByteArray("\x3d\xd8", 2) + utf16le(u"a"_s) << QString();
        QTest::newRow("low surrogate alone") << QByteArray("\x00\xde", 2) << QString();
        QTest::newRow("compressed ascii") << QByteArray("\xff\xfeHello", 7) << u"Hello"_s;
        QTest::newRow("compressed latin-1")
            << QByteArray("\xff\xfe\xe4\xe4kk\xf6si\xe4", 10) << u"ääkkösiä"_s;
        QTest::newRow("compressed, nothing after the marker") << QByteArray("\xff\xfe", 2) << u""_s;
        // A NUL switches to two bytes per character and back.
        QTest::newRow("compressed with a utf-16 run") << QByteArray("\xff\xfe"
                                                                    "ab\x00\x1c\x04\x38\x04\x00"
                                                                    "cd",
                                                                    12)
                                                      << u"abМиcd"_s;
        // (A UTF-16 run never holds a code unit whose low byte is 0.)
        QTest::newRow("compressed with an emoji run") << QByteArray("\xff\xfe"
                                                                    "x\x00\x3c\xd8\x89\xdf\x00"
                                                                    "y",
                                                                    10)
                                                      << u"x🎉y"_s;
        QTest::newRow("compressed, utf-16 run cut in a character") << QByteArray("\xff\xfe"
                                                                                 "a\x00\x1c",
                                                                                 5)
                                                                   << QString();
        QTest::newRow("FF FE after the start is just text")
            << utf16le(u"a"_s) + QByteArray("\xff\xfe", 2) << u"a\uFEFF"_s;
    }

    void decodesJet4Text()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const std::optional<std::string> decoded = JetText::fromJet4(view(bytes));
        QCOMPARE(decoded.has_value(), !expected.isNull());
        if (decoded)
            QCOMPARE(QString::fromStdString(*decoded), expected);
    }

    void decodesCodePageText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ascii") << QByteArray("AbC 1") << 1252 << u"AbC 1"_s;
        QTest::newRow("1252 euro and quotes")
            << QByteArray("\x80 \x93x\x94 \x9c") << 1252 << u"€ “x” œ"_s;
        QTest::newRow("1252 latin-1 range") << QByteArray("\xc4\xe9\xff") << 1252 << u"Äéÿ"_s;
        QTest::newRow("1252 undefined bytes") << QByteArray("A\x81"
                                                            "B\x8d\x8f\x90\x9d"
                                                            "C")
                                              << 1252 << u"A?B????C"_s;
        QTest::newRow("no code page means 1252") << QByteArray("\x80") << 0 << u"€"_s;
        QTest::newRow("1251 cyrillic") << QByteArray("\xcc\xe8\xf0") << 1251 << u"Мир"_s;
        QTest::newRow("1253 greek") << QByteArray("\xc5\xeb\xeb") << 1253 << u"Ελλ"_s;
        QTest::newRow("932 japanese") << QByteArray("\x93\xfa\x96\x7b") << 932 << u"日本"_s;
        QTest::newRow("932 cut inside a character")
            << QByteArray("\x93\xfa\x96") << 932 << QString();
        QTest::newRow("unknown code page") << QByteArray("x") << 99999 << QString();
    }

    void decodesCodePageText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        const std::optional<std::string> decoded
            = JetText::fromCodePage(view(bytes), unsigned(codePage));
        QCOMPARE(decoded.has_value(), !expected.isNull());
        if (decoded)
            QCOMPARE(QString::fromStdString(*decoded), expected);
    }

    // Long values cross iconv's internal buffer more than once.
    void decodesLongCodePageText()
    {
        const QByteArray bytes = QByteArray("\xe4\x80", 2).repeated(10'000);
        const std::optional<std::string> decoded = JetText::fromCodePage(view(bytes), 1252);
        QVERIFY(decoded);
        QCOMPARE(QString::fromStdString(*decoded), u"ä€"_s.repeated(10'000));
    }
};

QTEST_GUILESS_MAIN(TestJetText)
#include "tst_jettext.moc"
