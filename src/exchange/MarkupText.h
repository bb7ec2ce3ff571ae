#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace Larkspan {

// Text written into HTML or XML, appended to `out`: markup characters as
// references; CR as a reference, so that no parser folds it into LF; LF as
// a reference too where the text must stay on one line; control characters
// neither has a place for as U+FFFD.
enum class Lines { One, Many };
void appendMarkupText(QByteArray &out, QByteArrayView utf8, Lines lines);
void appendMarkupText(QByteArray &out, const QString &text, Lines lines);

} // namespace Larkspan
