#pragma once

#include <QStyledItemDelegate>

namespace Larkspan {

// Draws each item of a list box as one line, the way a list box shows its
// items, and no more of it than the list can show (LongText): an item of
// megabytes is laid out at every paint otherwise. The item keeps its text.
class OneLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
};

} // namespace Larkspan
