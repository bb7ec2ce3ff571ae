#include "editor/InformationEdit.h"

#include "store/StoredText.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

namespace Larkspan {

namespace {

// Marks a paragraph that is a further piece of the line before it.
constexpr int continuesLine = QTextFormat::UserProperty;

bool continues(const QTextBlock &block)
{
    return block.isValid() && block.blockFormat().boolProperty(continuesLine);
}

QTextBlockFormat furtherPiece()
{
    QTextBlockFormat format;
    format.setProperty(continuesLine, true);
    return format;
}

// Where the piece of `line` that starts at `from` ends: after a space near
// its full length, where word wrap would break the line anyway, else at the
// full length, but never between the two halves of a surrogate pair.
qsizetype pieceEnd(QStringView line, qsizetype from)
{
    const qsizetype full = from + InformationEdit::pieceLength;
    if (full >= line.size())
        return line.size();
    for (qsizetype end = full; end > full - InformationEdit::pieceLength / 4; --end) {
        if (line[end - 1] == u' ')
            return end;
    }
    return line[full].isLowSurrogate() ? full - 1 : full;
}

// Steps over the joins between pieces, which hold no character: backwards
// from the start of a further piece, forwards from the end of a piece that
// goes on.
void skipJoins(QTextCursor &cursor, bool backwards)
{
    if (backwards) {
        while (cursor.atBlockStart() && continues(cursor.block()))
            cursor.movePosition(QTextCursor::PreviousCharacter);
    } else {
        while (cursor.atBlockEnd() && continues(cursor.block().next()))
            cursor.movePosition(QTextCursor::NextCharacter);
    }
}

} // namespace

InformationEdit::InformationEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{}

void InformationEdit::setText(const QString &text)
{
    m_text = text;
    // Laying the text out is no step the user may undo.
    setPlainText(QString());
    QTextDocument *doc = document();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    insertLines(cursor, text);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(doc));
}

QString InformationEdit::text() const
{
    return StoredText::withChange(m_text, joined(0, document()->characterCount() - 1));
}

QString InformationEdit::joined(int from, int to) const
{
    QString text;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from && !continues(block))
            text.append(u'\n');
        const int start = qMax(from, block.position());
        const int end = qMin(to, block.position() + block.length() - 1);
        text.append(QStringView(block.text()).mid(start - block.position(), end - start));
    }
    return text;
}

void InformationEdit::keyPressEvent(QKeyEvent *event)
{
    QTextCursor cursor = textCursor();
    if (!isReadOnly()
        && (event->matches(QKeySequence::InsertParagraphSeparator)
            || event->matches(QKeySequence::InsertLineSeparator))) {
        // A new line of its own, also with Shift (which would put a line
        // separator into the paragraph) and also inside a further piece
        // (whose mark the new paragraph would inherit).
        cursor.insertBlock(QTextBlockFormat());
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    const bool backspace
        = event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    if ((backspace || event->matches(QKeySequence::Delete)) && !cursor.hasSelection()) {
        // The character on the far side of a join goes, not the join.
        skipJoins(cursor, backspace);
        setTextCursor(cursor);
    }
    QPlainTextEdit::keyPressEvent(event);
}

QMimeData *InformationEdit::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto *mime = new QMimeData;
    mime->setText(joined(cursor.selectionStart(), cursor.selectionEnd()));
    return mime;
}

void InformationEdit::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly() || !source->hasText())
        return;
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertLines(cursor, source->text());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void InformationEdit::insertLines(QTextCursor &cursor, QStringView text)
{
    const QString shown = StoredText::shown(text);
    bool firstLine = true;
    for (const QStringView line : QStringView(shown).split(u'\n')) {
        if (!firstLine)
            cursor.insertBlock(QTextBlockFormat());
        firstLine = false;
        for (qsizetype from = 0; from < line.size();) {
            if (from > 0)
                cursor.insertBlock(furtherPiece());
            const qsizetype end = pieceEnd(line, from);
            cursor.insertText(line.mid(from, end - from).toString());
            from = end;
        }
    }
}

} // namespace Larkspan
