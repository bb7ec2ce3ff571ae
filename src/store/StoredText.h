#pragma once

#include <QString>
#include <QStringView>

// A stored text and the same text as a text field shows it. The field starts
// a new paragraph at every line break, whatever its kind, and gives each back
// as one kind; everything else it keeps character for character.
namespace Larkspan::StoredText {

// Whether a line ends at `c`. "\r\n" is one line break.
bool isLineBreak(QChar c);

// `stored` with every line break made one '\n'.
QString shown(QStringView stored);

// `stored` with the change made to it that turned shown(stored) into
// `edited`. What lies before and after the changed span keeps its stored form
// ("\r\n", no-break spaces and all); line breaks inside the span are '\n'.
QString withChange(const QString &stored, QStringView edited);

} // namespace Larkspan::StoredText
