#include "exchange/FolderNesting.h"

#include "exchange/BookmarkText.h"

namespace Larkspan {

FolderNesting::Move FolderNesting::moveTo(const QString &category)
{
    const QStringList folders = BookmarkText::foldersOf(category);
    qsizetype shared = 0;
    while (shared < m_open.size() && shared < folders.size() && m_open[shared] == folders[shared])
        ++shared;
    // A folder's own bookmarks never follow one of its subfolders: tools
    // that take a bookmark's folder to be the heading before it (buku) would
    // file them under the subfolder. The folder begins anew instead.
    if (shared == folders.size() && shared < m_open.size() && shared > 0)
        --shared;
    Move move {m_open.size() - shared, folders.sliced(shared)};
    m_open = folders;
    return move;
}

} // namespace Larkspan
