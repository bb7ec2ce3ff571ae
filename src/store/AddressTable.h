#pragma once

#include "platform/Outcome.h"
#include "store/DeletedEntries.h"
#include "store/Record.h"
#include "store/SqliteConnection.h"
#include "store/UndoHistory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace Larkspan {

class BookSync;
class StateFolder;

// The table of entries in the address-book file. Every operation answers
// with its result or the storage engine's message; nothing here decides what
// a failure means to the user. Each write is one transaction of its own, and
// comparisons are exact and case-sensitive throughout.
//
// The table is a working copy of the book, private to this run and kept in
// step with the book as it lies in its folder (see BookSync): a change here
// reaches the book within a moment, and a change made to the book elsewhere
// is merged in.
class AddressTable
{
public:
    // What the book is opened for.
    enum class Use {
        Windows, // watched while open, each change written within a moment
        Changes, // changes written when the table closes (the command line)
        Reading, // read as it lies, never written, not even to give it what it lacks
    };
    // Told what the user should hear of while the table is open (a conflict
    // copy beside the book that is no address book), from any thread.
    using Notice = std::function<void(const QString &text)>;

    AddressTable();
    ~AddressTable();
    AddressTable(const AddressTable &) = delete;
    AddressTable &operator=(const AddressTable &) = delete;

    // Opens the address book at `path`. A missing or empty file becomes a
    // new book with an empty table; a file that exists is checked before
    // anything writes to it (see BookCheck), and one that is no usable
    // address book is refused and left exactly as it was. Where the folder
    // cannot be written, the book opens for reading only.
    Outcome<void> open(const QString &path, Use use = Use::Windows);
    // Writes what the book still lacks and closes the table. The working
    // copy goes, unless the book could not take its changes: then the next
    // start takes them in.
    void close();
    void setNotice(Notice notice) { m_notice = std::move(notice); }

    // Closes every table that is open, so that each book holds everything.
    // The program calls it on its way out; it also runs when the process
    // ends through exit() or quick_exit(), which skip that way out.
    static void closeAll();

    // Merges what changed elsewhere and writes the book now.
    Outcome<void> publish();

    // The first row after `rowid` in record order (0 for the very first).
    Outcome<std::optional<Row>> next(qint64 rowid);

    Outcome<qint64> insert(const Record &record);
    // Writes the fields flagged in `which` of `record` into `rowid`, if that
    // row still holds exactly `loaded`, as it was read. False when it does
    // not (another program changed or deleted it, or an entry added since
    // took its rowid): then nothing is written.
    Outcome<bool> update(qint64 rowid, const Record &loaded, const Record &record, Fields which);
    Outcome<void> remove(qint64 rowid);

    // Each distinct category once, in order of first appearance.
    Outcome<QStringList> distinctCategories();
    // The addresses filed under `type`, in record order.
    Outcome<QStringList> addressesOf(const QString &type);
    // The first row with this address (and, when given, this category).
    Outcome<std::optional<Row>> firstWithAddress(const QString &address,
                                                 const std::optional<QString> &type = {});

    // Takes back the last change made through this table in this run (an
    // entry added, modified or deleted), and again, back to the start; redo
    // makes it again. A change whose entry changed elsewhere since is left
    // as it is.
    Outcome<UndoHistory::Result> undo();
    Outcome<UndoHistory::Result> redo();

    // The entries deleted on any copy of the book that can be brought back,
    // newest first; bringing one back; forgetting the fields of those
    // deleted before `beforeMs` (see DeletedEntries). Entries deleted more
    // than 30 days ago are forgotten as the book opens.
    Outcome<QList<DeletedEntry>> deletedEntries();
    Outcome<std::optional<QByteArray>> restoreDeleted(const QByteArray &id);
    Outcome<qint64> purgeDeleted(qint64 beforeMs);

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
    enum class Statement {
        Next,
        Insert,
        Update,
        Delete,
        Categories,
        Addresses,
        FirstWithAddress,
        Identified,
        Count
    };

    Outcome<void> openForReading(const QString &book);
    Outcome<void> openWorkingCopy(const QString &book, Use use);
    Outcome<bool> prepareWorkingCopy(bool newBook);
    SqliteStatement *statement(Statement which, QStringView sql);
    Outcome<std::optional<Row>> singleRow(SqliteStatement &statement);
    Outcome<QStringList> column(Statement which, QStringView sql,
                                const std::optional<QByteArray> &parameter = {});
    void catchUp();
    void written();
    // What the change just made to `row` can be taken back by.
    void remember(UndoHistory::Kind kind, qint64 row, const Record &before, const Record &after);
    Outcome<UndoHistory::Result>
        takeStep(Outcome<UndoHistory::Result> (UndoHistory::*step)(SqliteConnection &));
    Outcome<std::optional<Row>> identifiedRow(qint64 row, QByteArray *id);

    SqliteConnection m_db;
    std::unique_ptr<StateFolder> m_folder;
    std::unique_ptr<BookSync> m_sync;
    bool m_companions = false;
    Notice m_notice;
    UndoHistory m_history;
    std::array<std::unique_ptr<SqliteStatement>, static_cast<size_t>(Statement::Count)>
        m_statements;
};

} // namespace Larkspan
