#include "platform/RegistryTable.h"

#include "platform/Registry.h"

#include <algorithm>
#include <cstring>

namespace Larkspan {

QString RegistryTable::keyId(quint32 root, const QString &keyPath)
{
    return QString::number(root, 16) + u':' + keyPath.toCaseFolded();
}

std::optional<QString> RegistryTable::keyIdOfHandle(quint32 handle) const
{
    if (Registry::isPredefinedRoot(handle))
        return keyId(handle, QString());
    const auto it = m_open.constFind(handle);
    if (it == m_open.constEnd())
        return std::nullopt;
    return *it;
}

void RegistryTable::addKey(quint32 root, const QString &keyPath)
{
    m_keys[keyId(root, keyPath)];
}

void RegistryTable::setValue(quint32 root, const QString &keyPath, const QString &valueName,
                             quint32 type, const QByteArray &data)
{
    m_keys[keyId(root, keyPath)].values.insert(valueName.toCaseFolded(), Value {type, data});
}

void RegistryTable::denyKey(quint32 root, const QString &keyPath)
{
    m_keys[keyId(root, keyPath)].denied = true;
}

void RegistryTable::removeKey(quint32 root, const QString &keyPath)
{
    m_keys.remove(keyId(root, keyPath));
}

bool RegistryTable::hasKey(quint32 root, const QString &keyPath) const
{
    return m_keys.contains(keyId(root, keyPath));
}

long RegistryTable::regOpenKeyEx(quint32 root, const QString &subKey, quint32 options,
                                 quint32 samDesired, quint32 *key)
{
    if (!key || (options & ~Registry::optionOpenLink) != 0
        || (samDesired & ~Registry::knownAccessBits) != 0)
        return Registry::invalidParameter;

    if (Registry::isPredefinedRoot(root) && subKey.isEmpty()) {
        *key = root;
        return Registry::success;
    }
    const std::optional<QString> base = keyIdOfHandle(root);
    if (!base)
        return Registry::invalidHandle;

    // A key below an open key: its path continues the open key's path.
    const bool baseIsRoot = base->endsWith(u':');
    const QString id = subKey.isEmpty() ? *base
        : baseIsRoot                    ? *base + subKey.toCaseFolded()
                                        : *base + u'\\' + subKey.toCaseFolded();
    const auto it = m_keys.constFind(id);
    if (it == m_keys.constEnd())
        return Registry::fileNotFound;
    if (it->denied)
        return Registry::accessDenied;

    const quint32 handle = m_nextHandle;
    m_nextHandle += 4;
    m_open.insert(handle, id);
    m_openOrder.append(handle);
    *key = handle;
    return Registry::success;
}

long RegistryTable::regQueryValueEx(quint32 key, const QString &valueName, quint32 *type,
                                    QByteArray *data, quint32 *dataSize)
{
    const std::optional<QString> id = keyIdOfHandle(key);
    if (!id)
        return Registry::invalidHandle;
    if (data && !dataSize)
        return Registry::invalidParameter;
    const auto keyIt = m_keys.constFind(*id);
    if (keyIt == m_keys.constEnd())
        return Registry::fileNotFound;
    const auto valueIt = keyIt->values.constFind(valueName.toCaseFolded());
    if (valueIt == keyIt->values.constEnd())
        return Registry::fileNotFound;

    const Value &value = *valueIt;
    if (type)
        *type = value.type;
    const auto needed = quint32(value.data.size());
    if (!data) {
        if (dataSize)
            *dataSize = needed;
        return Registry::success;
    }
    // The room offered is the smaller of what the caller says and what its
    // buffer really holds: a wrong size never lets us write past the buffer.
    const quint32 room = std::min<quint32>(*dataSize, quint32(data->size()));
    *dataSize = needed;
    if (needed > room)
        return Registry::moreData;
    if (needed > 0)
        std::memcpy(data->data(), value.data.constData(), needed);
    return Registry::success;
}

long RegistryTable::regCloseKey(quint32 key)
{
    if (Registry::isPredefinedRoot(key))
        return Registry::success;
    if (m_open.remove(key) == 0)
        return Registry::invalidHandle;
    m_openOrder.removeOne(key);
    return Registry::success;
}

QList<quint32> RegistryTable::openHandles() const
{
    return m_openOrder;
}

} // namespace Larkspan
