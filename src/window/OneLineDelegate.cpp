#include "window/OneLineDelegate.h"

#include "store/LongText.h"

namespace Larkspan {

QString OneLineDelegate::displayText(const QVariant &value, const QLocale &) const
{
    return LongText::firstLine(value.toString());
}

} // namespace Larkspan
