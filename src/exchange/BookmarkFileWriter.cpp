#include "exchange/BookmarkFileWriter.h"

#include "exchange/BookmarkLink.h"
#include "exchange/BookmarkText.h"

namespace Larkspan {

bool BookmarkFileWriter::append(QByteArray &out, const Record &record)
{
    const std::optional<QByteArray> link = BookmarkLink::linkOf(record.address);
    if (!link)
        return false;
    const FolderNesting::Move move = m_nesting.moveTo(record.type);
    qsizetype depth = m_nesting.depth() + move.close - move.open.size();
    for (qsizetype i = 0; i < move.close; ++i)
        endFolder(out, depth--);
    for (const QString &folder : move.open)
        beginFolder(out, ++depth, folder);
    const QString title = BookmarkText::titleOf(record);
    bookmark(out, depth, *link, title, BookmarkText::descriptionOf(record, title));
    return true;
}

void BookmarkFileWriter::endFolders(QByteArray &out)
{
    for (qsizetype depth = m_nesting.depth(); depth > 0; --depth)
        endFolder(out, depth);
    m_nesting = {};
}

} // namespace Larkspan
