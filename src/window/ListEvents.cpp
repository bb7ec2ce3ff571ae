#include "window/ListEvents.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace Larkspan::ListEvents {

namespace {

// Hands every event of the watched object to `take`, which answers whether
// it dealt with the event so that it goes no further.
class EventTaker : public QObject
{
public:
    EventTaker(QObject *parent, std::function<bool(QEvent *)> take)
        : QObject(parent)
        , m_take(std::move(take))
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return m_take(event) || QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(QEvent *)> m_take;
};

bool isEnter(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

QString selectedText(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void refill(QListWidget *list, const QStringList &items)
{
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(QModelIndex());
}

void onDoubleClick(QListWidget *list, std::function<void()> handler)
{
    list->viewport()->installEventFilter(
        new EventTaker(list, [handler = std::move(handler)](QEvent *event) {
            if (event->type() != QEvent::MouseButtonDblClick
                || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
                return false;
            handler();
            return true;
        }));
}

void onEnter(QListWidget *list, std::function<void()> handler)
{
    list->installEventFilter(new EventTaker(list, [handler = std::move(handler)](QEvent *event) {
        if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent *>(event)))
            return false;
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat())
            handler();
        return true;
    }));
}

} // namespace Larkspan::ListEvents
