#include "BenchBook.h"

#include "store/Schema.h"

#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace BenchBook {

namespace {

void check(int rc, sqlite3 *db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

QString categoryName(int index)
{
    // Every seventh category has a twin that differs only in case.
    if (index % 7 == 3)
        return u"category %1"_s.arg(index - 1);
    if (index % 13 == 5)
        return u"Čategorie %1 — ελληνικά"_s.arg(index);
    return u"Category %1"_s.arg(index);
}

} // namespace

QString typicalCategory(const Shape &)
{
    return categoryName(10);
}

void write(const QString &path, const Shape &shape)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    check(sqlite3_open(QFile::encodeName(path).constData(), &db), db);
    check(sqlite3_exec(db, Larkspan::Schema::createTable.toString().toUtf8().constData(), nullptr,
                       nullptr, nullptr),
          db);
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt *insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO Informaiton (Type, address, About) VALUES (?,?,?)",
                             -1, &insert, nullptr),
          db);
    const int categories = std::max(1, shape.entries / 100);
    quint32 state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int i = 0; i < shape.entries; ++i) {
        QString type;
        if (shape.skewed && i % 10 == 0)
            type = u"Everything"_s;
        else if (i % 211 == 0)
            type = QString(); // some entries carry no category
        else
            type = categoryName(int(next() % categories));
        QString address;
        if (i % 100 == 99 && i > 0)
            address = u"www.site%1.example.org"_s.arg(next() % i); // a duplicate, most likely
        else if (i % 3 == 0)
            address = u"person%1@example.org"_s.arg(i);
        else
            address = u"www.site%1.example.org"_s.arg(i);
        const QString about = (i % 17 == 0)
            ? QString()
            : u"Entry %1: notes, naïve café, 日本語 %2"_s.arg(i).arg(next());
        const QByteArray t = type.toUtf8(), a = address.toUtf8(), b = about.toUtf8();
        sqlite3_bind_text(insert, 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}

} // namespace BenchBook
