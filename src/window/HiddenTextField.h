#pragma once

#include "store/Record.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace Larkspan {

class RecordCursor;

// A text field that is never shown and never reachable with the keyboard:
// a work field of its window, or one bound to a field of the record cursor.
// A bound field reads the cursor's current record and, when assigned, marks
// that field changed on the cursor.
class HiddenTextField : public QWidget
{
    Q_OBJECT

public:
    explicit HiddenTextField(const QString &name, const QString &initialText, QWidget *parent);
    HiddenTextField(const QString &name, RecordCursor *cursor, Field field, QWidget *parent);

    QString text() const;
    void setText(const QString &text);

private:
    QString m_text;
    QPointer<RecordCursor> m_cursor;
    Field m_field = Field::Type;
};

} // namespace Larkspan
