#pragma once

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

enum class Field { Type, Address, About };

} // namespace Larkspan
