#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace Larkspan::Sql {

// The engine's own words; the driver's prefix adds nothing for a person.
inline QString engineMessage(const QSqlError &error)
{
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

inline QString engineMessage(const QSqlQuery &query)
{
    return engineMessage(query.lastError());
}

// Texts are never NULL in the table: a null QString would bind as NULL,
// which no column takes and no comparison matches, so it goes in as "".
inline QString storedText(const QString &value)
{
    using namespace Qt::StringLiterals;
    return value.isNull() ? u""_s : value;
}

} // namespace Larkspan::Sql
