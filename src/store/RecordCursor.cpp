#include "store/RecordCursor.h"

#include "platform/Platform.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

QString &member(Record &record, Field field)
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

} // namespace

RecordCursor::RecordCursor(QObject *parent)
    : QObject(parent)
{
    setObjectName(u"Data1"_s);
}

RecordCursor::~RecordCursor() = default;

void RecordCursor::open(const QString &path)
{
    m_openFailure = m_table.open(path);
    if (m_openFailure)
        return;
    // Like any freshly opened result set, the cursor starts on the first record.
    arriveAt(check(m_table.next(0)));
}

void RecordCursor::ensureOpen()
{
    if (m_openFailure)
        raiseUnhandled(*m_openFailure);
}

template <typename T>
T RecordCursor::check(Outcome<T> outcome)
{
    if (!outcome.ok())
        raiseUnhandled(outcome.error());
    return std::move(outcome.value());
}

void RecordCursor::check(const Failure &failure)
{
    if (failure)
        raiseUnhandled(*failure);
}

void RecordCursor::clearFields()
{
    m_fields = Record();
    m_assigned = {false, false, false};
}

void RecordCursor::arriveAt(const std::optional<Row> &row)
{
    m_assigned = {false, false, false};
    if (row) {
        m_position = Position::OnRecord;
        m_rowid = row->rowid;
        m_fields = row->record;
    } else {
        m_position = Position::AtEof;
        m_fields = Record();
    }
    Q_EMIT recordLoaded();
}

void RecordCursor::savePending()
{
    const bool anyAssigned = m_assigned[0] || m_assigned[1] || m_assigned[2];
    if (m_position == Position::OnRecord && anyAssigned)
        check(m_table.update(m_rowid, m_fields, m_assigned.data()));
    // At end-of-file or after a delete there is no record to take the
    // assignments, and a new record that never reached Update is dropped.
    m_assigned = {false, false, false};
    if (m_position == Position::Adding)
        m_position = Position::NoCurrent;
}

void RecordCursor::MoveFirst()
{
    ensureOpen();
    savePending();
    arriveAt(check(m_table.next(0)));
}

void RecordCursor::MoveNext()
{
    ensureOpen();
    if (m_position == Position::AtEof)
        raiseUnhandled(u"No current record."_s);
    savePending();
    arriveAt(check(m_table.next(m_rowid)));
}

void RecordCursor::AddNew()
{
    ensureOpen();
    savePending();
    m_position = Position::Adding;
    clearFields();
}

void RecordCursor::Update()
{
    ensureOpen();
    if (m_position != Position::Adding) {
        savePending();
        return;
    }
    const qint64 rowid = check(m_table.insert(m_fields));
    // The new record becomes the current one.
    arriveAt(Row{rowid, m_fields});
}

void RecordCursor::Delete()
{
    ensureOpen();
    if (m_position != Position::OnRecord)
        raiseUnhandled(u"No current record."_s);
    savePending();
    check(m_table.remove(m_rowid));
    m_position = Position::NoCurrent;
    clearFields();
}

QString RecordCursor::field(Field which) const
{
    switch (which) {
    case Field::Type:
        return m_fields.type;
    case Field::Address:
        return m_fields.address;
    case Field::About:
        break;
    }
    return m_fields.about;
}

void RecordCursor::assign(Field which, const QString &value)
{
    member(m_fields, which) = value;
    m_assigned[static_cast<size_t>(which)] = true;
}

QStringList RecordCursor::walkCategories()
{
    ensureOpen();
    savePending();
    QStringList types = check(m_table.distinctCategories());
    arriveAt(std::nullopt);
    return types;
}

QStringList RecordCursor::walkAddressesOf(const QString &type)
{
    ensureOpen();
    savePending();
    QStringList addresses = check(m_table.addressesOf(type));
    arriveAt(std::nullopt);
    return addresses;
}

bool RecordCursor::seekAddress(const QString &address)
{
    ensureOpen();
    savePending();
    const std::optional<Row> row = check(m_table.firstWithAddress(address));
    arriveAt(row);
    return row.has_value();
}

bool RecordCursor::deleteFirst(const QString &address, const QString &type)
{
    ensureOpen();
    savePending();
    const std::optional<Row> row = check(m_table.firstWithAddress(address, type));
    if (!row) {
        arriveAt(std::nullopt);
        return false;
    }
    check(m_table.remove(row->rowid));
    m_position = Position::NoCurrent;
    m_rowid = row->rowid;
    clearFields();
    return true;
}

} // namespace Larkspan
