#include "platform/desktop/DesktopPlatform.h"

#include "platform/desktop/DesktopShell.h"
#include "platform/LinuxRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace Larkspan {

DesktopPlatform::DesktopPlatform()
    : m_registry(std::make_unique<LinuxRegistry>())
{}

DesktopPlatform::~DesktopPlatform() = default;

Outcome<qintptr> DesktopPlatform::shellExecute(qintptr owner,
                                               const std::optional<QString> &operation,
                                               const QString &file,
                                               const std::optional<QString> &parameters,
                                               const QString &directory, int showCommand)
{
    return DesktopShell::shellExecute(owner, operation, file, parameters, directory, showCommand);
}

Outcome<qint64> DesktopPlatform::startProgram(const QString &path, int windowStyle)
{
    return DesktopShell::startProgram(path, windowStyle);
}

long DesktopPlatform::regOpenKeyEx(quint32 root, const QString &subKey, quint32 options,
                                   quint32 samDesired, quint32 *key)
{
    return m_registry->regOpenKeyEx(root, subKey, options, samDesired, key);
}

long DesktopPlatform::regQueryValueEx(quint32 key, const QString &valueName, quint32 *type,
                                      QByteArray *data, quint32 *dataSize)
{
    return m_registry->regQueryValueEx(key, valueName, type, data, dataSize);
}

long DesktopPlatform::regCloseKey(quint32 key)
{
    return m_registry->regCloseKey(key);
}

Outcome<QString> DesktopPlatform::fileName(const QString &path)
{
    if (path.contains(QChar(0)))
        return Failure {u"a path cannot hold a NUL character"_s};
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return QString();
    return info.fileName();
}

void DesktopPlatform::messageBox(const QString &text)
{
    // Parented to the active window, so that closing the box hands the focus
    // back to the window the user was in.
    QPointer<QWidget> active = QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf16(applicationTitle), text,
                    QMessageBox::Ok, active);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // Without a window manager nobody hands the activation back.
    if (active && active->isVisible() && !QApplication::activeWindow())
        QApplication::setActiveWindow(active);
}

bool DesktopPlatform::canRaiseWindows() const
{
    return true;
}

bool DesktopPlatform::activatesWithoutFocus() const
{
    // The window manager gives the focus; the program does not take it.
    return false;
}

void DesktopPlatform::unhandledFailure(const QString &description)
{
    messageBox(description);
    std::fflush(stdout);
    std::fflush(stderr);
    // Ends here, in the middle of a handler: quick_exit runs only what was
    // registered for it (the store closes its files, leaving each whole) and
    // none of the destructors of a program that is still half way through.
    std::quick_exit(1);
}

} // namespace Larkspan
