#include "RecordingPlatform.h"

using namespace Qt::StringLiterals;

namespace Larkspan::Testing {

namespace {

// "null" for nothing, the text in double quotes otherwise.
QString describe(const std::optional<QString> &text)
{
    return text ? u'"' + *text + u'"' : u"null"_s;
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

Outcome<qintptr> RecordingPlatform::shellExecute(qintptr owner,
                                                 const std::optional<QString> &operation,
                                                 const QString &file,
                                                 const std::optional<QString> &parameters,
                                                 const QString &directory, int showCommand)
{
    calls.append(u"shellExecute(%1, %2, %3, %4, %5, %6)"_s.arg(
        QString::number(owner), describe(operation), describe(file), describe(parameters),
        describe(directory), QString::number(showCommand)));
    return shellFailure ? Outcome<qintptr>(Failure {*shellFailure}) : Outcome<qintptr>(shellResult);
}

Outcome<qint64> RecordingPlatform::startProgram(const QString &path, int windowStyle)
{
    calls.append(u"startProgram(%1, %2)"_s.arg(describe(path), QString::number(windowStyle)));
    if (path.isEmpty() || unstartablePaths.contains(path))
        return Failure {u"cannot start %1"_s.arg(path)};
    return m_nextTaskId++;
}

long RecordingPlatform::regCloseKey(quint32 key)
{
    closedKeys.append(key);
    return registry.regCloseKey(key);
}

Outcome<QString> RecordingPlatform::fileName(const QString &path)
{
    calls.append(u"fileName(%1)"_s.arg(describe(path)));
    const auto it = files.constFind(path);
    if (it != files.constEnd() && !*it)
        return Failure {u"malformed path"_s};
    return it == files.constEnd() ? QString() : **it;
}

void RecordingPlatform::messageBox(const QString &text)
{
    calls.append(u"messageBox(%1)"_s.arg(describe(text)));
}

void RecordingPlatform::unhandledFailure(const QString &description)
{
    calls.append(u"unhandledFailure(%1)"_s.arg(describe(description)));
    throw Unhandled {description};
}

} // namespace Larkspan::Testing
