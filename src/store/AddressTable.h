#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QSqlQuery;
struct sqlite3;

namespace Larkspan {

class SqliteStatement;

// The table of entries in the address-book file. Every operation answers
// with its result or the storage engine's message; nothing here decides what
// a failure means to the user. Each write is one transaction of its own, and
// comparisons are exact and case-sensitive throughout.
class AddressTable
{
public:
    AddressTable();
    ~AddressTable();
    AddressTable(const AddressTable &) = delete;
    AddressTable &operator=(const AddressTable &) = delete;

    // Opens the address book at `path`. A missing or empty file becomes a
    // new book with an empty table; a file that exists is checked before
    // anything writes to it (see BookCheck), and one that is no usable
    // address book is refused and left exactly as it was. Where the folder
    // cannot be written, the book opens for reading only.
    Outcome<void> open(const QString &path);
    // Finishes every statement and closes the file; the last connection to
    // leave folds SQLite's write-ahead log back into it and removes the log.
    void close();

    // Closes every table that is open, so that each file is whole on its
    // own. The program calls it on its way out; it also runs when the
    // process ends through exit() or quick_exit(), which skip that way out.
    static void closeAll();

    // The first row after `rowid` in record order (0 for the very first).
    Outcome<std::optional<Row>> next(qint64 rowid);

    Outcome<qint64> insert(const Record &record);
    // Writes the fields flagged in `which` (Type, address, About) of `record`
    // into `rowid`, if that row still holds exactly `loaded`, as it was read.
    // False when it does not (another program changed or deleted it, or an
    // entry added since took its rowid): then nothing is written.
    Outcome<bool> update(qint64 rowid, const Record &loaded, const Record &record,
                         const bool which[3]);
    Outcome<void> remove(qint64 rowid);

    // Each distinct category once, in order of first appearance.
    Outcome<QStringList> distinctCategories();
    // The addresses filed under `type`, in record order.
    Outcome<QStringList> addressesOf(const QString &type);
    // The first row with this address (and, when given, this category).
    Outcome<std::optional<Row>> firstWithAddress(const QString &address,
                                                 const std::optional<QString> &type = {});

    // Whole-book reading and writing, for exports and imports. Both compare
    // texts byte for byte, whatever collation the columns declare, and read
    // a NULL field as the empty text.
    enum class Order {
        Records, // record order
        ByCategory, // categories in order of first appearance, each in record order
    };
    // Hands every entry to `each` in `order`, from one consistent reading of
    // the table; stops early when `each` answers false.
    Outcome<void> forEach(Order order, const std::function<bool(const Record &)> &each);

    // Entries added one at a time, as an import reads them, all in one
    // transaction: commit() makes them the table's, and additions dropped
    // without it leave the table as it was.
    class Additions
    {
    public:
        ~Additions();
        Additions(const Additions &) = delete;
        Additions &operator=(const Additions &) = delete;

        // Adds `record` unless an entry the table held when the additions
        // began equals it in all three fields, byte for byte. True when added.
        Outcome<bool> add(const Record &record);
        Outcome<void> commit();

    private:
        friend class AddressTable;
        struct State;
        explicit Additions(std::unique_ptr<State> state);
        std::unique_ptr<State> m_state;
    };
    Outcome<std::unique_ptr<Additions>> beginAdditions();

private:
    enum class Statement { Next, Categories, Addresses, FirstWithAddress, Update, Count };

    Outcome<void> openConnection(const QString &path);
    Outcome<void> createTable();
    void prepareForSpeed();
    Outcome<std::optional<Row>> singleRow(QSqlQuery &query);
    Outcome<QStringList> column(Statement which, QStringView sql,
                                const std::optional<QByteArray> &parameter = {});

    QSqlQuery &prepared(Statement which, QStringView sql);
    sqlite3 *sqliteHandle() const;

    QString m_connection;
    QSqlDatabase m_db;
    bool m_companions = false;
    std::array<std::unique_ptr<QSqlQuery>, static_cast<size_t>(Statement::Count)> m_prepared;
    std::array<std::unique_ptr<SqliteStatement>, static_cast<size_t>(Statement::Count)> m_raw;
};

} // namespace Larkspan
