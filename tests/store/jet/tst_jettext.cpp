// Text as Jet stores it; the shared Jet files show the common cases through
// the reader, these the broken and the rare ones.
#include "store/jet/reader/JetText.h"

#include <QTest>

#include <optional>
#include <string>

using namespace Qt::StringLiterals;
using namespace Larkspan;

namespace {

QByteArray utf16le(const QString &text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

constexpr int jet4 = -1; // in place of a code page: Jet 4's UTF-16 text

} // namespace

class TestJetText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The expected text is null when decoding must fail.
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-16, surrogate pair") << utf16le(u"a😀b"_s) << jet4 << u"a😀b"_s;
        QTest::newRow("utf-16, odd length") << utf16le(u"ab"_s).left(3) << jet4 << QString();
        QTest::newRow("utf-16, high surrogate at the end") << utf16le(u"a"_s) + "\x3d\xd8"_ba << jet4 << QString();
        QTest::newRow("utf-16, low surrogate alone") << "\x00\xde"_ba << jet4 << QString();
        // A NUL switches to two bytes per character and back.
        QTest::newRow("compressed with a utf-16 run")
            << "\xff\xfe" "ab\x00\x1c\x04\x38\x04\x00" "cd"_ba << jet4 << u"abМиcd"_s;
        QTest::newRow("compressed, utf-16 run cut in a character") << "\xff\xfe" "a\x00\x1c"_ba << jet4 << QString();
        QTest::newRow("no code page means 1252") << "\x80"_ba << 0 << u"€"_s;
        QTest::newRow("932 cut inside a character") << "\x93\xfa\x96"_ba << 932 << QString();
        QTest::newRow("unknown code page") << "x"_ba << 99999 << QString();
        // Long values cross iconv's internal buffer more than once.
        QTest::newRow("1252, long") << "\xe4\x80"_ba.repeated(10'000) << 1252 << u"ä€"_s.repeated(10'000);
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        const std::string_view view(bytes.constData(), size_t(bytes.size()));
        const std::optional<std::string> decoded
            = codePage == jet4 ? JetText::fromJet4(view) : JetText::fromCodePage(view, unsigned(codePage));
        QCOMPARE(decoded.has_value(), !expected.isNull());
        if (decoded)
            QCOMPARE(QString::fromStdString(*decoded), expected);
    }
};

QTEST_GUILESS_MAIN(TestJetText)
#include "tst_jettext.moc"
