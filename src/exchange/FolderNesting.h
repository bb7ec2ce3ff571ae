#pragma once

#include <QString>
#include <QStringList>

namespace Larkspan {

// The folders a bookmark file has open while it is written: moving to the
// next category closes the folders it does not share with the last one and
// opens the rest, so "A / B" and "A / C" come out as B and C inside one A.
// Entries of "A" that come after those of "A / B" go into a second folder A.
class FolderNesting
{
public:
    struct Move
    {
        qsizetype close = 0; // how many of the open folders end, innermost first
        QStringList open; // the folders to begin, outermost first
    };

    Move moveTo(const QString &category);
    qsizetype depth() const { return m_open.size(); }

private:
    QStringList m_open;
};

} // namespace Larkspan
