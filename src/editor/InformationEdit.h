#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace Larkspan {

// The entry editor's information field. It gives back the text it was given
// with nothing changed but what the user changed: untouched characters keep
// their stored form, although the field itself turns every kind of line
// break into one.
//
// One paragraph is laid out whole at every keystroke in it, and a line of
// megabytes freezes the window for a minute. So the field shows a long line
// as pieces, each a paragraph of its own marked as continuing the one before;
// the joins between pieces are no characters of the text. Enter, Backspace,
// Delete, the clipboard and dropped text all treat them so.
class InformationEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    // How long a piece of a long line is at most.
    static constexpr qsizetype pieceLength = 2048;

    explicit InformationEdit(QWidget *parent = nullptr);

    // Shows `text`; the undo history starts afresh.
    void setText(const QString &text);
    // The text last set, with the user's changes made to it.
    QString text() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // The text between two positions of the document, pieces joined.
    QString joined(int from, int to) const;
    // Inserts `text` at the cursor, its long lines in pieces.
    static void insertLines(QTextCursor &cursor, QStringView text);

    QString m_text;
};

} // namespace Larkspan
