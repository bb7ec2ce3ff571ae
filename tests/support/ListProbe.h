#pragma once

#include <QListWidget>
#include <QStringList>
#include <QTest>

// Reading and clicking list boxes in window tests, the way a person would.
namespace Larkspan::Testing {

inline QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// Clicks go to the viewport: sent to the list itself they are lost.
inline void clickItem(QListWidget *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

} // namespace Larkspan::Testing
