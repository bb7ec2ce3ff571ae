#include "launcher/DesktopShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>

namespace Larkspan {

qintptr DesktopShell::shellExecute(qintptr owner, const std::optional<QString> &operation,
                                   const QString &file, const std::optional<QString> &parameters,
                                   const QString &directory, int showCommand)
{
    Q_UNUSED(owner)
    Q_UNUSED(operation)
    Q_UNUSED(parameters)
    Q_UNUSED(directory)
    Q_UNUSED(showCommand)

    const std::optional<QUrl> url = urlToOpen(file);
    if (!url)
        return nothingOpened;
    return QDesktopServices::openUrl(*url) ? handedOver : nothingOpened;
}

std::optional<qint64> DesktopShell::startProgram(const QString &path, int windowStyle)
{
    Q_UNUSED(windowStyle)

    // An absolute path names one file: QProcess searches PATH only for a
    // name without "/", which is exactly what we refuse here.
    if (!QDir::isAbsolutePath(path) || path.contains(QChar(0)))
        return std::nullopt;
    qint64 pid = 0;
    if (!QProcess::startDetached(path, {}, QString(), &pid))
        return std::nullopt;
    return pid;
}

} // namespace Larkspan
