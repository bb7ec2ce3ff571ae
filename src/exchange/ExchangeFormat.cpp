#include "exchange/ExchangeFormat.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

Failure faultAt(qsizetype line, const QString &message)
{
    return Failure {u"%1: %2"_s.arg(line).arg(message)};
}

QByteArrayView withoutByteOrderMark(QByteArrayView head)
{
    return head.startsWith("\xEF\xBB\xBF") ? head.sliced(3) : head;
}

char firstCharacter(QByteArrayView head)
{
    for (const char c : withoutByteOrderMark(head)) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c;
    }
    return 0;
}

} // namespace Larkspan
