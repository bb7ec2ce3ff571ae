#include "window/ListEvents.h"

#include <QMouseEvent>
#include <QSignalBlocker>

namespace Larkspan::ListEvents {

namespace {

class DoubleClickFilter : public QObject
{
public:
    DoubleClickFilter(QObject *parent, std::function<void()> handler)
        : QObject(parent)
        , m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_handler();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_handler;
};

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
    list->viewport()->installEventFilter(new DoubleClickFilter(list, std::move(handler)));
}

} // namespace Larkspan::ListEvents
