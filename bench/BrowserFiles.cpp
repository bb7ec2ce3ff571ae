#include "BrowserFiles.h"

#include <QFile>

#include <sqlite3.h>

namespace BrowserFiles {

namespace {

void run(const QString &path, const QByteArray &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    char *error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("%s: %s", qPrintable(path), error);
    sqlite3_close(db);
}

QByteArray numbers(int count)
{
    return "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < "
        + QByteArray::number(count - 1) + ") ";
}

} // namespace

void writeBook(const QString &path, int count)
{
    run(path,
        "CREATE TABLE Informaiton (Type TEXT, address TEXT, About TEXT);" + numbers(count)
            + "INSERT INTO Informaiton SELECT 'category ' || (i % 500),"
              " 'https://example' || i || '.org/path?q=' || i,"
              " 'Information about entry ' || i || char(10) || 'second line' FROM n;");
}

void writeBuku(const QString &path, int count)
{
    run(path,
        "CREATE TABLE bookmarks (id integer PRIMARY KEY, URL text NOT NULL UNIQUE,"
        " metadata text default '', tags text default ',', desc text default '',"
        " flags integer default 0);"
            + numbers(count)
            + "INSERT INTO bookmarks (URL, metadata, tags, desc)"
              " SELECT 'https://example' || i || '.org/path?q=' || i,"
              " 'Information about entry ' || i, ',category ' || (i % 500) || ',',"
              " 'second line' FROM n;");
}

void writePlaces(const QString &path, int count)
{
    run(path,
        "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,"
        " guid TEXT);"
        "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER,"
        " parent INTEGER, position INTEGER, title LONGVARCHAR, guid TEXT);"
        "CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);"
        "INSERT INTO moz_bookmarks VALUES (1, 2, NULL, 0, 0, '', 'root________'),"
        " (2, 2, NULL, 1, 0, 'menu', 'menu________'),"
        " (3, 2, NULL, 1, 1, 'toolbar', 'toolbar_____');"
        "WITH RECURSIVE f(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM f WHERE i < 99)"
        " INSERT INTO moz_bookmarks SELECT 10 + i, 2, NULL, 2, i, 'folder ' || i, 'f' || i"
        " FROM f;"
            + numbers(count)
            + "INSERT INTO moz_places SELECT i + 1, 'https://example' || i || '.org/path?q=' || i,"
              " NULL, 'p' || i FROM n;"
            + numbers(count)
            + "INSERT INTO moz_bookmarks SELECT 1000 + i, 1, i + 1, 10 + i % 100, i / 100,"
              " 'Information about entry ' || i, 'b' || i FROM n;");
}

void writeChromium(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray json = "{\n   \"checksum\": \"0\",\n   \"roots\": {\n      \"bookmark_bar\": {\n"
                      "         \"children\": [ ";
    for (int folder = 0; folder < 100; ++folder) {
        json += folder ? ", {\n" : "{\n";
        json += "            \"children\": [ ";
        for (int i = folder; i < count; i += 100) {
            json += i != folder ? ", {" : "{";
            json += "\n               \"id\": \"" + QByteArray::number(1000 + i)
                + "\",\n               \"name\": \"Information about entry " + QByteArray::number(i)
                + "\",\n               \"type\": \"url\",\n               \"url\": "
                  "\"https://example"
                + QByteArray::number(i) + ".org/path?q=" + QByteArray::number(i)
                + "\"\n            }";
        }
        json += " ],\n            \"name\": \"folder " + QByteArray::number(folder)
            + "\",\n            \"type\": \"folder\"\n         }";
        if (json.size() > (1 << 20)) {
            file.write(json);
            json.clear();
        }
    }
    json += " ],\n         \"name\": \"Bookmarks bar\",\n         \"type\": \"folder\"\n      }\n"
            "   },\n   \"version\": 1\n}\n";
    file.write(json);
}

} // namespace BrowserFiles
