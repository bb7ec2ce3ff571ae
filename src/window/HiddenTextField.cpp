#include "window/HiddenTextField.h"

#include "store/RecordCursor.h"

namespace Larkspan {

HiddenTextField::HiddenTextField(const QString &name, const QString &initialText, QWidget *parent)
    : QWidget(parent)
    , m_text(initialText)
{
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

HiddenTextField::HiddenTextField(const QString &name, RecordCursor *cursor, Field field,
                                 QWidget *parent)
    : QWidget(parent)
    , m_cursor(cursor)
    , m_field(field)
{
    setObjectName(name);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

QString HiddenTextField::text() const
{
    return m_cursor ? m_cursor->field(m_field) : m_text;
}

void HiddenTextField::setText(const QString &text)
{
    if (m_cursor)
        m_cursor->assign(m_field, text);
    else
        m_text = text;
}

} // namespace Larkspan
