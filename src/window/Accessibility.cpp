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
constexpr char hiddenProperty[] = "larkspanAccessibleHidden";

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

// Neither showing nor named: a screen reader passes over it.
class HiddenInterface : public QAccessibleWidget
{
public:
    explicit HiddenInterface(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::NoRole)
    {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
    QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface *windowFactory(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (object->property(hiddenProperty).toBool())
        return new HiddenInterface(static_cast<QWidget *>(object));
    const QVariant role = object->property(roleProperty);
    if (!role.isValid())
        return nullptr;
    return new WindowInterface(static_cast<QWidget *>(object), QAccessible::Role(role.toInt()));
}

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

void presentWindow(QWidget *window, QAccessible::Role role)
{
    installFactory();
    window->setProperty(roleProperty, int(role));
}

void hide(QWidget *widget)
{
    installFactory();
    widget->setProperty(hiddenProperty, true);
    // An interface made before (as the widget was set up, while a screen
    // reader listens) goes: the next one asked for is the hidden kind.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget);
    if (made && !dynamic_cast<HiddenInterface *>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
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
