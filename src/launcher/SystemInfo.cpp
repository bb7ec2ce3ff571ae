#include "launcher/SystemInfo.h"

#include "platform/Platform.h"
#include "platform/Registry.h"

#include <QByteArray>

#include <optional>

using namespace Qt::StringLiterals;

namespace Larkspan::SystemInfo {

namespace {

// The first `size` bytes of the value's data, without the last one when that
// is a NUL. A size beyond the buffer takes the whole buffer, whose last byte
// then does not count as a terminator.
QByteArray valueText(const QByteArray &buffer, quint32 size)
{
    const auto available = quint32(buffer.size());
    if (size <= available && buffer.at(qsizetype(size) - 1) == '\0')
        return buffer.left(qsizetype(size) - 1);
    return buffer.left(qsizetype(std::min(size, available)));
}

// The bytes from the last to the first, each as two upper-case hex digits.
QString hexDigitsMostSignificantFirst(const QByteArray &bytes)
{
    QString digits;
    digits.reserve(bytes.size() * 2);
    for (qsizetype i = bytes.size() - 1; i >= 0; --i)
        digits += QString::number(quint8(bytes.at(i)), 16).toUpper().rightJustified(2, u'0');
    return digits;
}

// The tool named by the first key, or the tool file in the folder named by
// the second key when that file exists. Nothing when neither gives a path,
// or when reading them fails.
std::optional<QString> toolPath()
{
    QString path;
    const Outcome<bool> first
        = GetKeyValue(Registry::localMachine, QString::fromUtf16(Registry::msinfoKey),
                      QString::fromUtf16(Registry::msinfoPathValue), path);
    if (!first.ok())
        return std::nullopt;
    if (first.value())
        return path; // used as read: the start will tell whether it is there

    const Outcome<bool> second
        = GetKeyValue(Registry::localMachine, QString::fromUtf16(Registry::toolsLocationKey),
                      QString::fromUtf16(Registry::toolsLocationValue), path);
    if (!second.ok() || !second.value())
        return std::nullopt;

    const QString candidate = path + QString::fromUtf16(toolFileName);
    const Outcome<QString> found = platform().fileName(candidate);
    if (!found.ok() || found.value().isEmpty())
        return std::nullopt;
    return candidate;
}

} // namespace

Outcome<bool> GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                          QString &KeyVal)
{
    Platform &os = platform();

    quint32 key = 0;
    if (os.regOpenKeyEx(KeyRoot, KeyName, 0, Registry::queryValueSetValueAndMore, &key)
        != Registry::success) {
        KeyVal.clear();
        os.regCloseKey(key); // still 0: the close has nothing to close and is not looked at
        return false;
    }

    QByteArray buffer(valueBufferSize, '\0');
    quint32 size = valueBufferSize;
    quint32 type = Registry::typeNone;
    if (os.regQueryValueEx(key, SubKeyRef, &type, &buffer, &size) != Registry::success) {
        KeyVal.clear();
        os.regCloseKey(key);
        return false;
    }

    if (size == 0) {
        // The key is closed before the failure leaves, so no handle stays
        // open behind the caller's failure path.
        os.regCloseKey(key);
        return Failure {u"the registry value has no data"_s};
    }

    const QByteArray text = valueText(buffer, size);
    switch (type) {
    case Registry::typeString:
        KeyVal = QString::fromLocal8Bit(text);
        break;
    case Registry::typeDword:
        // The "&h" text is kept as it is: it states the number exactly,
        // whatever KeyVal held before, with no guess about how a hexadecimal
        // literal of eight digits would be read as a signed number.
        KeyVal = u"&h"_s + KeyVal + hexDigitsMostSignificantFirst(text);
        break;
    default:
        break; // read, but of no type we turn into text
    }

    os.regCloseKey(key);
    return true;
}

void StartSysInfo()
{
    if (const std::optional<QString> path = toolPath()) {
        if (platform().startProgram(*path, normalWindowStyle).ok())
            return;
    }
    // Every failure ends in this one message.
    platform().messageBox(QString::fromUtf16(unavailableMessage));
}

} // namespace Larkspan::SystemInfo
