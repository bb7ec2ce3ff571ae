#include "exchange/MarkupText.h"

namespace Larkspan {

void appendMarkupText(QByteArray &out, QByteArrayView utf8, Lines lines)
{
    qsizetype plain = 0; // the start of a run of bytes that need no escape
    auto flush = [&](qsizetype end) { out.append(utf8.sliced(plain, end - plain)); };
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const char *reference = nullptr;
        switch (c) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        case '\r':
            reference = "&#13;";
            break;
        case '\n':
            reference = lines == Lines::One ? "&#10;" : nullptr;
            break;
        case '\t':
            break;
        default:
            if (static_cast<uchar>(c) < 0x20 || c == '\x7f')
                reference = "\xEF\xBF\xBD";
        }
        if (reference) {
            flush(i);
            out.append(reference);
            plain = i + 1;
        }
    }
    flush(utf8.size());
}

void appendMarkupText(QByteArray &out, const QString &text, Lines lines)
{
    appendMarkupText(out, QByteArrayView(text.toUtf8()), lines);
}

} // namespace Larkspan
