#include "store/RecordCursor.h"

#include "store/SqlSupport.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

template<typename Fields> auto &member(Fields &record, Field field)
{
    switch (field) {
    case Field::Type:
        return record.type;
    case Field::Address:
        return record.address;
    case Field::About:
        break;
    }
    return record.about;
}

Failure noCurrentRecord()
{
    return Failure {u"No current record."_s};
}

} // namespace

RecordCursor::RecordCursor(QObject *parent)
    : QObject(parent)
{
    setObjectName(u"Data1"_s);
}

RecordCursor::~RecordCursor() = default;

Outcome<void> RecordCursor::open(const QString &path)
{
    m_opened = m_table.open(path);
    if (!m_opened.ok())
        return m_opened;
    // Like any freshly opened result set, the cursor starts on the first
    // record; a table that cannot give it counts as not opened.
    m_opened = moveTo(m_table.next(0));
    return m_opened;
}

void RecordCursor::clearFields()
{
    m_fields = Record();
    m_assigned = {};
}

void RecordCursor::arriveAt(const std::optional<Row> &row)
{
    m_assigned = {};
    if (row) {
        m_position = Position::OnRecord;
        m_rowid = row->rowid;
        m_fields = row->record;
    } else {
        m_position = Position::AtEof;
        m_fields = Record();
    }
    m_loaded = m_fields;
    Q_EMIT recordLoaded();
}

Outcome<void> RecordCursor::moveTo(const Outcome<std::optional<Row>> &row)
{
    if (!row.ok())
        return row.failure();
    arriveAt(row.value());
    return {};
}

Outcome<void> RecordCursor::savePending()
{
    m_changeRefused = false;
    if (m_position == Position::OnRecord && m_assigned) {
        const Outcome<bool> saved = m_table.update(m_rowid, m_loaded, m_fields, m_assigned);
        if (!saved.ok())
            return saved.failure();
        m_changeRefused = !saved.value();
    }
    // At end-of-file or after a delete there is no record to take the
    // assignments, and a new record that never reached Update is dropped.
    m_assigned = {};
    if (m_position == Position::Adding)
        m_position = Position::NoCurrent;
    return {};
}

Outcome<void> RecordCursor::leaveRecord()
{
    if (!m_opened.ok())
        return m_opened;
    return savePending();
}

Outcome<void> RecordCursor::MoveFirst()
{
    if (Outcome<void> left = leaveRecord(); !left.ok())
        return left;
    return moveTo(m_table.next(0));
}

Outcome<void> RecordCursor::MoveNext()
{
    if (!m_opened.ok())
        return m_opened;
    if (m_position == Position::AtEof)
        return noCurrentRecord();
    if (Outcome<void> saved = savePending(); !saved.ok())
        return saved;
    return moveTo(m_table.next(m_rowid));
}

Outcome<void> RecordCursor::AddNew()
{
    if (Outcome<void> left = leaveRecord(); !left.ok())
        return left;
    m_position = Position::Adding;
    clearFields();
    return {};
}

Outcome<void> RecordCursor::Update()
{
    if (!m_opened.ok())
        return m_opened;
    if (m_position != Position::Adding)
        return savePending();
    const Outcome<qint64> rowid = m_table.insert(m_fields);
    if (!rowid.ok())
        return rowid.failure();
    // The new record becomes the current one, as the table holds it.
    arriveAt(Row {rowid.value(),
                  {Sql::storedText(m_fields.type), Sql::storedText(m_fields.address),
                   Sql::storedText(m_fields.about)}});
    return {};
}

Outcome<void> RecordCursor::Delete()
{
    if (!m_opened.ok())
        return m_opened;
    if (m_position != Position::OnRecord)
        return noCurrentRecord();
    if (Outcome<void> saved = savePending(); !saved.ok())
        return saved;
    if (Outcome<void> removed = m_table.remove(m_rowid); !removed.ok())
        return removed;
    m_position = Position::NoCurrent;
    clearFields();
    return {};
}

QString RecordCursor::field(Field which) const
{
    return member(m_fields, which);
}

void RecordCursor::assign(Field which, const QString &value)
{
    member(m_fields, which) = value;
    m_assigned |= which;
}

template<typename Read> Outcome<QStringList> RecordCursor::walk(Read read)
{
    if (Outcome<void> left = leaveRecord(); !left.ok())
        return left.failure();
    Outcome<QStringList> collected = read();
    // A walk ends past the last record.
    if (collected.ok())
        arriveAt(std::nullopt);
    return collected;
}

Outcome<QStringList> RecordCursor::walkCategories()
{
    return walk([this] { return m_table.distinctCategories(); });
}

Outcome<QStringList> RecordCursor::walkAddressesOf(const QString &type)
{
    return walk([this, &type] { return m_table.addressesOf(type); });
}

Outcome<bool> RecordCursor::seekAddress(const QString &address)
{
    if (Outcome<void> left = leaveRecord(); !left.ok())
        return left.failure();
    const Outcome<std::optional<Row>> row = m_table.firstWithAddress(address);
    if (!row.ok())
        return row.failure();
    arriveAt(row.value());
    return row.value().has_value();
}

Outcome<bool> RecordCursor::deleteFirst(const QString &address, const QString &type)
{
    if (Outcome<void> left = leaveRecord(); !left.ok())
        return left.failure();
    const Outcome<std::optional<Row>> row = m_table.firstWithAddress(address, type);
    if (!row.ok())
        return row.failure();
    if (!row.value()) {
        arriveAt(std::nullopt);
        return false;
    }
    if (Outcome<void> removed = m_table.remove(row.value()->rowid); !removed.ok())
        return removed.failure();
    m_position = Position::NoCurrent;
    m_rowid = row.value()->rowid;
    clearFields();
    return true;
}

} // namespace Larkspan
