#pragma once

#include <QString>

// Texts too long for the control that shows them. Qt lays out the whole text
// of a label, a list item or a line field whenever it paints or edits it, and
// a text of megabytes freezes the window; no such control shows more than a
// few thousand characters anyway.
namespace Larkspan::LongText {

// As much of a text as a label or a one-line control shows.
inline constexpr qsizetype shownLength = 4096;

// `text`, or its first shownLength characters and "…".
QString shortened(const QString &text);

// The first line of `text`, shortened the same way; "…" when anything is
// left out.
QString firstLine(const QString &text);

} // namespace Larkspan::LongText
