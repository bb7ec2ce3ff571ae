#include "store/StoredText.h"

#include <algorithm>

namespace Larkspan::StoredText {

namespace {

// The length of the line break that starts at `i`, 0 when none does.
qsizetype breakAt(QStringView text, qsizetype i)
{
    if (!isLineBreak(text[i]))
        return 0;
    return text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
}

// Where the first `count` shown characters of `stored` end.
qsizetype storedEnd(QStringView stored, qsizetype count)
{
    qsizetype end = 0;
    for (; count > 0; --count)
        end += std::max<qsizetype>(1, breakAt(stored, end));
    return end;
}

// Where the last `count` shown characters of `stored` begin.
qsizetype storedStart(QStringView stored, qsizetype count)
{
    qsizetype start = stored.size();
    for (; count > 0; --count) {
        const bool crlf = start >= 2 && stored[start - 2] == u'\r' && stored[start - 1] == u'\n';
        start -= crlf ? 2 : 1;
    }
    return start;
}

} // namespace

bool isLineBreak(QChar c)
{
    // The characters at which QTextDocument starts a new paragraph.
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case QChar::ParagraphSeparator:
    case 0xfdd0: // the beginning of a frame
    case 0xfdd1: // the end of a frame
        return true;
    default:
        return false;
    }
}

QString shown(QStringView stored)
{
    QString text;
    text.reserve(stored.size());
    qsizetype run = 0; // where the current stretch without a line break began
    for (qsizetype i = 0; i < stored.size();) {
        const qsizetype length = breakAt(stored, i);
        if (length == 0) {
            ++i;
            continue;
        }
        text.append(stored.mid(run, i - run));
        text.append(u'\n');
        i += length;
        run = i;
    }
    text.append(stored.mid(run));
    return text;
}

QString withChange(const QString &stored, QStringView edited)
{
    const QString before = shown(stored);
    const qsizetype shorter = std::min(before.size(), edited.size());
    const qsizetype head
        = std::mismatch(before.cbegin(), before.cbegin() + shorter, edited.cbegin()).first
        - before.cbegin();
    qsizetype tail = 0;
    while (tail < shorter - head
           && before[before.size() - 1 - tail] == edited[edited.size() - 1 - tail]) {
        ++tail;
    }

    const qsizetype headEnd = storedEnd(stored, head);
    const qsizetype tailStart = storedStart(stored, tail);
    QString text;
    text.reserve(headEnd + (edited.size() - head - tail) + (stored.size() - tailStart));
    text.append(QStringView(stored).left(headEnd));
    text.append(edited.mid(head, edited.size() - head - tail));
    text.append(QStringView(stored).mid(tailStart));
    return text;
}

} // namespace Larkspan::StoredText
