#pragma once

#include "store/Record.h"

#include "exchange/ExchangeFormat.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace Larkspan {

// An entry's information and category as bookmarks carry them. A browser
// keeps a bookmark's title and its folders, and of the title only one line,
// trimmed, its runs of spaces folded; most keep no description at all.
// So a bookmark is titled with the first line of the information that is not
// empty and carries the whole information as its description (unless the
// title says it all), and a category "A / B" is folder B inside folder A.
class BookmarkText
{
public:
    // `text` as browsers keep a title or a folder's name: trimmed, and each
    // run of spaces and tabs one space.
    static QString folded(QStringView text);
    static QStringView firstNonEmptyLine(QStringView text);

    // The title of an entry's bookmark: the information's first line that is
    // not empty, or the address when there is none.
    static QString titleOf(const Record &record);
    // Its description: the whole information, unless the title holds it all.
    static std::optional<QString> descriptionOf(const Record &record, const QString &title);

    // The information of a bookmark read with `title` (empty when it only
    // repeats the address) and `description`: the description when it
    // begins with the title (or there is no title), else the title before it.
    static QString informationOf(const QString &title, const std::optional<QString> &description);
    // Whether `title` only repeats the bookmark's link or the address stored.
    static bool repeatsTheAddress(const QString &title, const QString &href,
                                  const QString &address);

    // Hands a bookmark read with `href`, `title` and `description` under
    // `category` to `sink`: its link stored as BookmarkLink says (or left out
    // and counted), its information as informationOf() says. False when the
    // sink refuses it.
    static bool hand(EntrySink &sink, const QString &category, const QString &href,
                     const QString &title, const std::optional<QString> &description,
                     const QStringList &tags = {});

    // "A / B" as the folders A and B; the empty category is no folder.
    static QStringList foldersOf(const QString &category);
    // The category of a bookmark in `folders`, which leave out the browser's
    // own (the toolbar, other bookmarks) and folders without a name.
    static QString categoryOf(const QStringList &folders);
};

} // namespace Larkspan
