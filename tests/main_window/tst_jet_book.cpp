// An address book from the older desktop database format, opened by the real
// main window: converted in place, then browsed like any other. Reads the
// shared test files; skips where they are absent.
#include "ListProbe.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;
using Testing::items;
using Testing::clickItem;
using Testing::centreOf;

namespace {

const QString jetDir = QStringLiteral(LARKSPAN_SHARED_DIR "/testdata/jet");

// "Zeile 00000: Grüße aus Köln, façade, naïve, €uro; Zeile 00001: ..." cut
// to `length` characters, then "<END>".
QString longText(int length)
{
    QString text;
    for (int n = 0; text.size() < length; ++n)
        text += u"Zeile %1: Grüße aus Köln, façade, naïve, €uro; "_s.arg(n, 5, 10, QChar(u'0'));
    return text.left(length) + u"<END>"_s;
}



} // namespace

class JetBookTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    void theConvertedBookBrowsesLikeTheOld_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("long1");
        QTest::addColumn<int>("long2");
        QTest::newRow("memo") << u"Tessmoor_jet4_v2000_memo.mdb"_s << 3000 << 40000;
        QTest::newRow("text") << u"Tessmoor_jet4_v2000_text.mdb"_s << 200 << 250;
    }

    void theConvertedBookBrowsesLikeTheOld()
    {
        QFETCH(QString, file);
        QFETCH(int, long1);
        QFETCH(int, long2);
        if (!QFile::exists(jetDir + u'/' + file))
            QSKIP("the shared test data (../shared/testdata/jet) is not beside this checkout");

        RecordingPlatform platform;
        QTemporaryDir dir;
        QVERIFY(QFile::copy(jetDir + u'/' + file, dir.filePath(u"Tessmoor.mdb"_s)));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        Form1 *form = FormInstance<Form1>::get();
        QDir::setCurrent(previous);
        WindowServices::instance().showWindow(form);
        QTRY_COMPARE(QApplication::activeWindow(), form);
        QCOMPARE(platform.unhandledFailures, QStringList());

        QCOMPARE(items(form->lstType), QStringList({u"Web"_s, u"E-mail"_s, u""_s}));
        const QList<QPair<QString, QString>> web = {
            {u"https://www.example.org/café"_s,
             u"Crème brûlée, naïve façade, Ærøskøbing, Größe, señor, œuvre, ½ €, Ελληνικά, "
             u"Русский, 日本語"_s},
            {u"http://example.net/"_s, u""_s},
            {u"https://example.com/long"_s, longText(long1)},
            {u"https://example.com/verylong"_s, longText(long2)},
        };
        const QList<QPair<QString, QString>> mail = {
            {u"someone@example.com"_s, u""_s},
            {u"zoë@exämple.de"_s,
             u"last row\r\nwith CRLF and \"quotes\" and 'apostrophes'"_s},
        };
        const QList<QPair<QString, QString>> none = {{u""_s, u"type empty, address NULL"_s}};
        const QList<QList<QPair<QString, QString>>> categories = {web, mail, none};
        for (int c = 0; c < categories.size(); ++c) {
            clickItem(form->lstType, c);
            QStringList addresses;
            for (const auto &entry : categories[c])
                addresses << entry.first;
            QCOMPARE(items(form->lstAddress), addresses);
            for (int a = 0; a < addresses.size(); ++a) {
                clickItem(form->lstAddress, a);
                // The entry's whole information; the label shows what fits.
                QCOMPARE(form->Text4->text(), categories[c][a].second);
            }
        }
        // The original stays beside the converted book, untouched.
        QVERIFY(QFile::exists(dir.filePath(u"Tessmoor.mdb.jet"_s)));
    }
};

QTEST_MAIN(JetBookTest)
#include "tst_jet_book.moc"
