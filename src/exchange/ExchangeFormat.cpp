#include "exchange/ExchangeFormat.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

Failure faultAt(qsizetype line, const QString &message)
{
    return Failure {u"%1: %2"_s.arg(line).arg(message)};
}

} // namespace Larkspan
