#pragma once

#include "platform/Outcome.h"
#include "store/AddressTable.h"
#include "store/Record.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace Larkspan {

// The one cursor over the address table (the main window's `Data1`). It
// stands on one record or at end-of-file, mirrors the current record in its
// three fields, and keeps assignments to those fields pending until the next
// move or Update, which writes them into the record they were made on.
//
// A failure of the store comes back as the outcome of the operation, with
// the storage engine's message; the cursor stays where the failure found it.
// What a failure means is the caller's to decide.
class RecordCursor : public QObject
{
    Q_OBJECT

public:
    explicit RecordCursor(QObject *parent = nullptr);
    ~RecordCursor() override;

    // Opens the table of the address book at `path` and stands on its first
    // record. When that fails, the cursor stays without a table and every
    // later use answers with the same failure.
    Outcome<void> open(const QString &path);

    Outcome<void> MoveFirst();
    Outcome<void> MoveNext();
    // End-of-file: past the last record. (`EOF` itself is a C macro.)
    bool Eof() const { return m_position == Position::AtEof; }
    Outcome<void> AddNew();
    Outcome<void> Update();
    Outcome<void> Delete();

    // The current record's field, or what was assigned to it since.
    QString field(Field field) const;
    // Marks the field changed; the record takes it at the next move or Update.
    void assign(Field field, const QString &value);

    // Whole walks in one step. Each leaves everything (the table, the
    // cursor's place, its fields) exactly as walking the records one by one
    // from MoveFirst would, and reports what such a walk collects.
    Outcome<QStringList> walkCategories();
    Outcome<QStringList> walkAddressesOf(const QString &type);
    // Stands on the first record with this address, or at end-of-file; true
    // when there is one.
    Outcome<bool> seekAddress(const QString &address);
    // Deletes the first record with this address and category, if any; the
    // cursor then has no current record (or stands at end-of-file). True
    // when one was deleted.
    Outcome<bool> deleteFirst(const QString &address, const QString &type);

    // Whether the last move or Update found that the record its pending
    // assignments were made on no longer holds what the cursor read from it
    // (another program changed or deleted it meanwhile), and so dropped them
    // rather than overwrite anything.
    bool changeRefused() const { return m_changeRefused; }

    // The table itself, for readers that need no cursor.
    AddressTable &table() { return m_table; }

Q_SIGNALS:
    // The cursor arrived on a record, or at end-of-file: bound controls reload.
    void recordLoaded();

private:
    enum class Position { OnRecord, AtEof, NoCurrent, Adding };

    // The first step of every use: the table must be there, and pending
    // assignments reach their record.
    Outcome<void> leaveRecord();
    Outcome<void> savePending();
    void arriveAt(const std::optional<Row> &row);
    Outcome<void> moveTo(const Outcome<std::optional<Row>> &row);
    template<typename Read> Outcome<QStringList> walk(Read read);
    void clearFields();

    AddressTable m_table;
    Outcome<void> m_opened;
    Position m_position = Position::AtEof;
    qint64 m_rowid = 0; // the current record, or the one just deleted
    Record m_fields;
    Record m_loaded; // the current record as it was read
    bool m_changeRefused = false;
    Fields m_assigned;
};

} // namespace Larkspan
