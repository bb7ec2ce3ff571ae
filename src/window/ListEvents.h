#pragma once

#include <QListWidget>

#include <functional>

namespace Larkspan::ListEvents {

// The text of the list's selected item; the empty string when none is.
QString selectedText(const QListWidget *list);

// Replaces the list's items without running its handler, and leaves no row
// current: the first Down, Up or Home then selects the first item. (Filled
// plainly, the list makes row 0 current without selecting it, and the first
// Down would select the second item.)
void refill(QListWidget *list, const QStringList &items);

// Runs `handler` on every change of the list's selected item, by the mouse
// or the keyboard (arrows, Home, End, Page Up, Page Down, a first letter).
// Clearing or filling the list under a QSignalBlocker runs nothing.
template<typename Receiver>
void onSelectionChange(QListWidget *list, Receiver *receiver, void (Receiver::*handler)())
{
    QObject::connect(list, &QListWidget::itemSelectionChanged, receiver, [list, receiver, handler] {
        if (!list->selectedItems().isEmpty())
            (receiver->*handler)();
    });
}

// Runs `handler` on a double click with the left button anywhere in the
// list, on an item or not. The click before it has already selected the item.
void onDoubleClick(QListWidget *list, std::function<void()> handler);

template<typename Receiver>
void onDoubleClick(QListWidget *list, Receiver *receiver, void (Receiver::*handler)())
{
    onDoubleClick(list, [receiver, handler] { (receiver->*handler)(); });
}

// Runs `handler` when Enter (or the keypad's Enter) is pressed in the list,
// as users of lists expect: it does what a double click does. The key goes
// no further, and a held key runs the handler only once.
void onEnter(QListWidget *list, std::function<void()> handler);

template<typename Receiver>
void onEnter(QListWidget *list, Receiver *receiver, void (Receiver::*handler)())
{
    onEnter(list, [receiver, handler] { (receiver->*handler)(); });
}

} // namespace Larkspan::ListEvents
