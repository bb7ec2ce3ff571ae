#include "window/Accessibility.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace Larkspan::Accessibility {

namespace {

constexpr char roleProperty[] = "larkspanAccessibleRole";

class WindowInterface : public QAccessibleWidget
{
public:
    WindowInterface(QWidget *window, QAccessible::Role role)
        : QAccessibleWidget(window, role)
    {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !widget()->accessibleName().isEmpty())
            return QAccessibleWidget::text(kind);
        const QString title = widget()->windowTitle().trimmed();
        return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
    }
};

QAccessibleInterface *windowFactory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(roleProperty);
    if (!role.isValid())
        return nullptr;
    return new WindowInterface(static_cast<QWidget *>(object), QAccessible::Role(role.toInt()));
}

} // namespace

void presentWindow(QWidget *window, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(roleProperty, int(role));
}

QString captionWords(const QString &caption)
{
    QString words = caption.trimmed();
    if (words.endsWith(u':'))
        words.chop(1);
    return words.trimmed();
}

void nameAfter(QWidget *control, QLabel *caption)
{
    const QString name = captionWords(caption->text());
    control->setAccessibleName(name);
    // The text part of an editable combo box is what has the focus.
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name);
    caption->setAccessibleName(caption->text().trimmed());
    caption->setBuddy(control);
}

void describeAfter(QWidget *control, QLabel *caption)
{
    control->setAccessibleDescription(captionWords(caption->text()));
    caption->setAccessibleName(caption->text().trimmed());
}

} // namespace Larkspan::Accessibility
