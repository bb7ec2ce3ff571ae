#include "platform/desktop/DesktopShell.h"

#include "platform/ShellUrl.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>

using namespace Qt::StringLiterals;

// Handing a URL to the desktop and starting a program: what needs Qt Gui.
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

    const std::optional<QUrl> url = ShellUrl::urlToOpen(file);
    if (!url)
        return nothingOpened;
    return QDesktopServices::openUrl(*url) ? handedOver : nothingOpened;
}

Outcome<qint64> DesktopShell::startProgram(const QString &path, int windowStyle)
{
    Q_UNUSED(windowStyle)

    // An absolute path names one file: QProcess searches PATH only for a
    // name without "/", which is exactly what we refuse here.
    if (!QDir::isAbsolutePath(path) || path.contains(QChar(0)))
        return Failure {u"only a program given by its absolute path is started"_s};
    QProcess process;
    process.setProgram(path);
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return Failure {process.errorString()};
    return pid;
}

} // namespace Larkspan
