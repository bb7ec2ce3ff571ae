#pragma once

#include <QString>

class QIODevice;

namespace Larkspan {

// The commands "export" and "import", which carry the address book to and
// from the files of other programs. They need no display, only a
// QCoreApplication (for the SQL driver and the Jet converter's path).
//
// Export writes every entry of the book to a file, or to `output`, and
// never to the book itself; a book that is not there yet is exported
// empty, not created. Import reads the whole file before it opens the
// book, so a malformed file leaves the book as it was, to the byte; the
// entries go in as one transaction, and those the book held already are
// not added again. The closing line of an import goes to `output`;
// failures, and what an export had to leave out, go to `errors`.
class ExchangeCommand
{
public:
    enum Status { Done = 0, Failed = 1, Misused = 2 };

    ExchangeCommand(const QString &bookPath, QIODevice &output, QIODevice &errors);

    // `format`: "html", "csv" or "json"; when empty, FILE's extension
    // decides, and standard output gets HTML.
    int exportBook(const QString &format, const QString &file);
    // The format is told from the content.
    int importFile(const QString &file);

private:
    void say(QIODevice &device, const QString &line);

    QString m_bookPath;
    QIODevice &m_output;
    QIODevice &m_errors;
};

// The commands on the address book at `bookPath` (the command line's
// choice: "Tessmoor.mdb" in the current directory, as the windows open it),
// with standard output and standard error; they answer the exit status.
int runExport(const QString &bookPath, const QString &format, const QString &file);
int runImport(const QString &bookPath, const QString &file);

} // namespace Larkspan
