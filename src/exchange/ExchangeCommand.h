#pragma once

#include <QIODevice>
#include <QString>

namespace Larkspan {

class ExchangeFormat;

// The export and import commands, on the address book at `bookPath`.
//
// Export writes every entry of the book to a file, or to `output`, and
// never to the book itself; a book that is not there yet is exported
// empty, not created. A write that fails is an error, with the system's
// reason, and leaves a file that was there as it was.
//
// Import reads its file as a stream and adds its entries as they come, all
// in one transaction: a malformed file (its line told), a full disk, a
// killed process or memory running out leaves the book as it was. Entries
// the book held already are not added again (BookmarkIndex says when a
// bookmark is held; a CSV or JSON entry must match in all three fields).
//
// The closing line of an import goes to `output`; failures, and what an
// export had to leave out, go to `errors`.
class ExchangeCommand
{
public:
    enum Status { Done = 0, Failed = 1, Misused = 2 };

    ExchangeCommand(const QString &bookPath, QIODevice &output, QIODevice &errors);

    // `format`: a writer's name (ExchangeFormats); when empty, FILE's
    // extension decides, and standard output gets HTML.
    int exportBook(const QString &format, const QString &file);
    // The format is told from the content.
    int importFile(const QString &file);
    // The bookmarks of `browser` ("firefox", "chromium", ...), from its
    // default profile or from the profile folder `profile`.
    int importFrom(const QString &browser, const QString &profile);

private:
    int importPath(const QString &file, const QString &shownAs);
    int addEntries(const ExchangeFormat &format, const QString &file, const QString &shownAs,
                   QIODevice &input);
    int exportTo(const ExchangeFormat &format, const QString &file);
    void say(QIODevice &device, const QString &line);
    // "larkspan: BOOK: message", for what the book's engine answered.
    int bookFailed(const QString &message);

    QString m_bookPath;
    QIODevice &m_output;
    QIODevice &m_errors;
};

// The commands on the address book at `bookPath` (the command line's
// choice: "Tessmoor.mdb" in the current directory, as the windows open it),
// with standard output and standard error; they answer the exit status.
int runExport(const QString &bookPath, const QString &format, const QString &file);
int runImport(const QString &bookPath, const QString &file);
int runImportFrom(const QString &bookPath, const QString &browser, const QString &profile);

} // namespace Larkspan
