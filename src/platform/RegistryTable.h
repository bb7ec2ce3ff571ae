#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace Larkspan {

// An in-memory registry that answers the three registry calls of the
// Platform seam the way the registry does: keys and value names compared
// without regard to case, handles that stay valid until closed, the data
// size reported back when the caller's buffer is too small, and the same
// status codes (see Registry.h). It only reads: nothing that a caller hands
// to the calls can change what the table holds.
class RegistryTable
{
public:
    // Filling the table.
    void addKey(quint32 root, const QString &keyPath);
    void setValue(quint32 root, const QString &keyPath, const QString &valueName, quint32 type,
                  const QByteArray &data);
    // Opening this key answers "access denied".
    void denyKey(quint32 root, const QString &keyPath);
    void removeKey(quint32 root, const QString &keyPath);
    bool hasKey(quint32 root, const QString &keyPath) const;

    long regOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 *key);
    long regQueryValueEx(quint32 key, const QString &valueName, quint32 *type, QByteArray *data,
                         quint32 *dataSize);
    long regCloseKey(quint32 key);

    // The handles handed out and not closed yet, in the order they were opened.
    QList<quint32> openHandles() const;

private:
    struct Value
    {
        quint32 type = 0;
        QByteArray data;
    };
    struct Key
    {
        bool denied = false;
        QHash<QString, Value> values; // by case-folded value name
    };

    static QString keyId(quint32 root, const QString &keyPath);
    // The key a handle stands for: a predefined root or an open handle.
    std::optional<QString> keyIdOfHandle(quint32 handle) const;

    QHash<QString, Key> m_keys;
    QHash<quint32, QString> m_open;
    QList<quint32> m_openOrder;
    quint32 m_nextHandle = 0x100;
};

} // namespace Larkspan
