#pragma once

#include <QFlags>
#include <QString>
#include <QtGlobal>

namespace Larkspan {

// One entry of the address table.
struct Record
{
    QString type;
    QString address;
    QString about;

    friend bool operator==(const Record &, const Record &) = default;
};

// An entry together with its place in the record order.
struct Row
{
    qint64 rowid = 0;
    Record record;

    friend bool operator==(const Row &, const Row &) = default;
};

// The fields of an entry, one flag each.
enum class Field { Type = 0x1, Address = 0x2, About = 0x4 };
Q_DECLARE_FLAGS(Fields, Field)
Q_DECLARE_OPERATORS_FOR_FLAGS(Fields)

} // namespace Larkspan
