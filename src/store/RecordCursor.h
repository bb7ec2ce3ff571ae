#pragma once

#include "store/AddressTable.h"
#include "store/Record.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace Larkspan {

// The one cursor over the address table (the main window's `Data1`). It
// stands on one record or at end-of-file, mirrors the current record in its
// three fields, and keeps assignments to those fields pending until the next
// move or Update, which writes them into the record they were made on.
//
// A failure of the store is not answered here: it is raised as a failure
// that no handler catches (see Platform::unhandledFailure).
class RecordCursor : public QObject
{
    Q_OBJECT

public:
    explicit RecordCursor(QObject *parent = nullptr);
    ~RecordCursor() override;

    // Opens the table of the address book at `path`. When that fails, the
    // cursor stays without a table and its first use raises the failure.
    void open(const QString &path);

    void MoveFirst();
    void MoveNext();
    // End-of-file: past the last record. (`EOF` itself is a C macro.)
    bool Eof() const { return m_position == Position::AtEof; }
    void AddNew();
    void Update();
    void Delete();

    // The current record's field, or what was assigned to it since.
    QString field(Field field) const;
    // Marks the field changed; the record takes it at the next move or Update.
    void assign(Field field, const QString &value);

    // Whole walks in one step. Each leaves everything (the table, the
    // cursor's place, its fields) exactly as walking the records one by one
    // from MoveFirst would, and reports what such a walk collects.
    QStringList walkCategories();
    QStringList walkAddressesOf(const QString &type);
    // Stands on the first record with this address, or at end-of-file.
    bool seekAddress(const QString &address);
    // Deletes the first record with this address and category, if any; the
    // cursor then has no current record (or stands at end-of-file).
    bool deleteFirst(const QString &address, const QString &type);

    // The table itself, for readers that need no cursor.
    AddressTable &table() { return m_table; }

Q_SIGNALS:
    // The cursor arrived on a record, or at end-of-file: bound controls reload.
    void recordLoaded();

private:
    enum class Position { OnRecord, AtEof, NoCurrent, Adding };

    void ensureOpen();
    void savePending();
    void arriveAt(const std::optional<Row> &row);
    void clearFields();
    template <typename T>
    T check(Outcome<T> outcome);
    void check(const Failure &failure);

    AddressTable m_table;
    std::optional<QString> m_openFailure;
    Position m_position = Position::AtEof;
    qint64 m_rowid = 0;  // the current record, or the one just deleted
    Record m_fields;
    std::array<bool, 3> m_assigned = {false, false, false};
};

} // namespace Larkspan
