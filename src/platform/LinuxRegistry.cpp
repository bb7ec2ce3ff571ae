#include "platform/LinuxRegistry.h"

#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

using namespace Qt::StringLiterals;

namespace Larkspan {

QStringList LinuxRegistry::defaultCandidates()
{
    // Tools that show what the machine is made of and runs. Process monitors
    // (gnome-system-monitor, mate-system-monitor) are left out: they show
    // load, not the system's particulars. lshw-gtk is left out too: it
    // needs root to list anything.
    const QStringList tools = {
        u"hardinfo2"_s, // the maintained successor of hardinfo
        u"hardinfo"_s, // System Profiler and Benchmark
        u"kinfocenter"_s, // KDE Plasma
        u"xfce4-about"_s, // Xfce: its System tab
    };
    const QStringList folders = {u"/usr/bin"_s, u"/usr/local/bin"_s};
    QStringList candidates;
    for (const QString &tool : tools) {
        for (const QString &folder : folders)
            candidates.append(folder + u'/' + tool);
    }
    return candidates;
}

LinuxRegistry::LinuxRegistry(QStringList candidates)
    : m_candidates(std::move(candidates))
{}

std::optional<QString> LinuxRegistry::installedTool() const
{
    for (const QString &candidate : m_candidates) {
        if (!QDir::isAbsolutePath(candidate))
            continue;
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return QDir::cleanPath(candidate);
    }
    return std::nullopt;
}

void LinuxRegistry::refresh()
{
    const QString key = QString::fromUtf16(Registry::msinfoKey);
    m_table.removeKey(Registry::localMachine, key);
    if (const std::optional<QString> tool = installedTool()) {
        m_table.setValue(Registry::localMachine, key, QString::fromUtf16(Registry::msinfoPathValue),
                         Registry::typeString, QFile::encodeName(*tool) + '\0');
    }
}

long LinuxRegistry::regOpenKeyEx(quint32 root, const QString &subKey, quint32 options,
                                 quint32 samDesired, quint32 *key)
{
    refresh();
    return m_table.regOpenKeyEx(root, subKey, options, samDesired, key);
}

long LinuxRegistry::regQueryValueEx(quint32 key, const QString &valueName, quint32 *type,
                                    QByteArray *data, quint32 *dataSize)
{
    return m_table.regQueryValueEx(key, valueName, type, data, dataSize);
}

long LinuxRegistry::regCloseKey(quint32 key)
{
    return m_table.regCloseKey(key);
}

} // namespace Larkspan
