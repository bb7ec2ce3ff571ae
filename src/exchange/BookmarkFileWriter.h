#pragma once

#include "exchange/ExchangeFormat.h"
#include "exchange/FolderNesting.h"

#include <QByteArrayView>

#include <optional>

namespace Larkspan {

// What the writers of bookmark files (HTML, XBEL) share: the entries come
// grouped by category, each category is its folders (FolderNesting), each
// entry a bookmark titled and described as BookmarkText says; an entry with
// no address a browser can open is left out. The formats say how a folder
// begins and ends and how a bookmark is written, `depth` deep.
class BookmarkFileWriter : public EntryWriter
{
public:
    bool groupsByCategory() const override { return true; }
    bool append(QByteArray &out, const Record &record) override;

protected:
    virtual void beginFolder(QByteArray &out, qsizetype depth, const QString &name) = 0;
    virtual void endFolder(QByteArray &out, qsizetype depth) = 0;
    virtual void bookmark(QByteArray &out, qsizetype depth, QByteArrayView link,
                          const QString &title, const std::optional<QString> &description)
        = 0;

    // For begin() and end().
    void restart() { m_nesting = {}; }
    void endFolders(QByteArray &out);

    static QByteArray &indent(QByteArray &out, qsizetype spaces)
    {
        return out.append(QByteArray(spaces, ' '));
    }

private:
    FolderNesting m_nesting;
};

} // namespace Larkspan
