#include "store/ConflictCopies.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace Larkspan::ConflictCopies {

namespace {

QRegularExpression patternFor(const QString &bookName)
{
    const QFileInfo book(bookName);
    const QString stem = QRegularExpression::escape(book.completeBaseName());
    const QString suffix
        = book.suffix().isEmpty() ? QString() : QRegularExpression::escape(u'.' + book.suffix());
    const QString date = uR"(\d{4}-\d{2}-\d{2})"_s;
    return QRegularExpression(
        u"^%1(?:\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}"
        u"| \\(conflicted copy %2 \\d{6}\\)"
        u"| \\(.+'s conflicted copy %2(?: \\(\\d+\\))?\\)(?: \\(\\d+\\))?)%3$"_s.arg(stem, date,
                                                                                     suffix));
}

} // namespace

QStringList beside(const QString &bookPath)
{
    const QFileInfo book(bookPath);
    const QRegularExpression pattern = patternFor(book.fileName());
    const QDir folder = book.absoluteDir();
    QStringList copies;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (pattern.match(name).hasMatch())
            copies << folder.filePath(name);
    }
    return copies;
}

} // namespace Larkspan::ConflictCopies
