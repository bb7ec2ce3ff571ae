#include "store/jet/ReaderLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace Larkspan {

QString jetReaderPath()
{
    const QString name = u"larkspan-jet-reader"_s;
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(name);
    if (QFileInfo(beside).isExecutable())
        return beside;
    // Installed: bin/larkspan and libexec/larkspan/larkspan-jet-reader.
    return QDir::cleanPath(
        programDir.filePath(QStringLiteral(LARKSPAN_READER_FROM_BINDIR) + u'/' + name));
}

} // namespace Larkspan
