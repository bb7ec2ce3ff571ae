#include "RecordingPlatform.h"

using namespace Qt::StringLiterals;

namespace Larkspan::Testing {

namespace {

QString hex(quint32 value)
{
    return u"0x"_s + QString::number(value, 16);
}

QString number(qint64 value)
{
    return QString::number(value);
}

} // namespace

RecordingPlatform::RecordingPlatform()
{
    setPlatform(this);
}

RecordingPlatform::~RecordingPlatform()
{
    setPlatform(nullptr);
}

QString RecordingPlatform::describe(const std::optional<QString> &text)
{
    return text ? u'"' + *text + u'"' : u"null"_s;
}

Outcome<qintptr> RecordingPlatform::shellExecute(qintptr owner, const std::optional<QString> &operation,
                                                 const QString &file, const std::optional<QString> &parameters,
                                                 const QString &directory, int showCommand)
{
    calls.append(u"shellExecute(%1, %2, %3, %4, %5, %6)"_s.arg(number(owner), describe(operation),
        describe(file), describe(parameters), describe(directory), number(showCommand)));
    return shellFailure ? Outcome<qintptr>(Failure{*shellFailure}) : Outcome<qintptr>(shellResult);
}

Outcome<qint64> RecordingPlatform::startProgram(const QString &path, int windowStyle)
{
    calls.append(u"startProgram(%1, %2)"_s.arg(describe(path), number(windowStyle)));
    if (path.isEmpty() || unstartablePaths.contains(path))
        return Failure{u"cannot start %1"_s.arg(path)};
    return m_nextTaskId++;
}

long RecordingPlatform::regOpenKeyEx(quint32 root, const QString &subKey, quint32 options,
                                     quint32 samDesired, quint32 *key)
{
    const long status = registry.regOpenKeyEx(root, subKey, options, samDesired, key);
    calls.append(u"regOpenKeyEx(%1, %2, %3, %4) = %5"_s.arg(hex(root), describe(subKey),
        number(options), hex(samDesired), number(status)));
    return status;
}

long RecordingPlatform::regQueryValueEx(quint32 key, const QString &valueName, quint32 *type,
                                        QByteArray *data, quint32 *dataSize)
{
    const QString offered = dataSize ? number(*dataSize) : u"null"_s;
    const QString buffer = data ? number(data->size()) : u"null"_s;
    const long status = registry.regQueryValueEx(key, valueName, type, data, dataSize);
    calls.append(u"regQueryValueEx(%1, %2, buffer %3, size %4) = %5"_s.arg(hex(key),
        describe(valueName), buffer, offered, number(status)));
    return status;
}

long RecordingPlatform::regCloseKey(quint32 key)
{
    closedKeys.append(key);
    const long status = registry.regCloseKey(key);
    calls.append(u"regCloseKey(%1) = %2"_s.arg(hex(key), number(status)));
    return status;
}

Outcome<QString> RecordingPlatform::fileName(const QString &path)
{
    calls.append(u"fileName(%1)"_s.arg(describe(path)));
    const auto it = files.constFind(path);
    if (it != files.constEnd() && !*it)
        return Failure{u"malformed path"_s};
    return it == files.constEnd() ? QString() : **it;
}

void RecordingPlatform::messageBox(const QString &text)
{
    calls.append(u"messageBox(%1)"_s.arg(describe(text)));
    messages.append(text);
    if (onMessageBox)
        onMessageBox(text);
}

void RecordingPlatform::unhandledFailure(const QString &description)
{
    calls.append(u"unhandledFailure(%1)"_s.arg(describe(description)));
    unhandledFailures.append(description);
    throw Unhandled{description};
}

} // namespace Larkspan::Testing
