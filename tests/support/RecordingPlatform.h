#pragma once

#include "platform/Platform.h"
#include "platform/RegistryTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Larkspan::Testing {

// A Platform for tests: it launches, opens and shows nothing, records every
// call with all its arguments, and answers as the test has set it up.
//
// Constructing one installs it as the platform in force; destroying it
// uninstalls it. One at a time.
//
//  - Every call but the registry's is also written to `calls` as one line of
//    text, in order, e.g. `startProgram("/usr/bin/x", 1)`.
//  - The registry calls are answered by `registry`, an in-memory table the
//    test fills; the keys closed are kept in `closedKeys`.
//  - shellExecute() answers `shellResult`, or fails with `shellFailure`.
//  - startProgram() gives a new task id, except for the empty path and the
//    paths in `unstartablePaths`, which cannot be started.
//  - fileName() answers from `files` (path → answer; nothing stands for a
//    malformed path), and with "" (no such file) for any other path.
//  - messageBox() returns at once, as if the user had pressed OK.
//  - Windows cannot be raised, and a shown window is made active although
//    nothing gave it the focus (as on Qt's offscreen platform).
//  - unhandledFailure() throws Unhandled, which is no std::exception, so no
//    handler of the program can swallow it.
class RecordingPlatform : public Platform
{
public:
    struct Unhandled
    {
    };

    RecordingPlatform() { setPlatform(this); }
    ~RecordingPlatform() override { setPlatform(nullptr); }

    // What was asked of the platform.
    QStringList calls;
    QList<quint32> closedKeys; // every handle passed to regCloseKey, 0 included

    // How it answers.
    qintptr shellResult = 42;
    std::optional<QString> shellFailure; // the call itself fails with this message
    QStringList unstartablePaths; // startProgram fails for these
    QHash<QString, std::optional<QString>> files;
    RegistryTable registry;

    Outcome<qintptr> shellExecute(qintptr owner, const std::optional<QString> &operation,
                                  const QString &file, const std::optional<QString> &parameters,
                                  const QString &directory, int showCommand) override
    {
        record(u"shellExecute",
               {QString::number(owner), text(operation), text(file), text(parameters),
                text(directory), QString::number(showCommand)});
        return shellFailure ? Outcome<qintptr>(Failure {*shellFailure})
                            : Outcome<qintptr>(shellResult);
    }
    Outcome<qint64> startProgram(const QString &path, int windowStyle) override
    {
        record(u"startProgram", {text(path), QString::number(windowStyle)});
        if (path.isEmpty() || unstartablePaths.contains(path))
            return Failure {QStringLiteral("cannot start ") + path};
        return m_nextTaskId++;
    }
    long regOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 *key) override
    {
        return registry.regOpenKeyEx(root, subKey, options, samDesired, key);
    }
    long regQueryValueEx(quint32 key, const QString &valueName, quint32 *type, QByteArray *data,
                         quint32 *dataSize) override
    {
        return registry.regQueryValueEx(key, valueName, type, data, dataSize);
    }
    long regCloseKey(quint32 key) override
    {
        closedKeys.append(key);
        return registry.regCloseKey(key);
    }
    Outcome<QString> fileName(const QString &path) override
    {
        record(u"fileName", {text(path)});
        const auto it = files.constFind(path);
        if (it != files.constEnd() && !*it)
            return Failure {QStringLiteral("malformed path")};
        return it == files.constEnd() ? QString() : **it;
    }
    void messageBox(const QString &message) override { record(u"messageBox", {text(message)}); }
    bool canRaiseWindows() const override { return false; }
    bool activatesWithoutFocus() const override { return true; }
    [[noreturn]] void unhandledFailure(const QString &description) override
    {
        record(u"unhandledFailure", {text(description)});
        throw Unhandled {};
    }

private:
    // "null" for nothing, the text in double quotes otherwise.
    static QString text(const std::optional<QString> &value)
    {
        return value ? u'"' + *value + u'"' : QStringLiteral("null");
    }
    void record(QStringView call, const QStringList &arguments)
    {
        calls.append(call.toString() + u'(' + arguments.join(QStringLiteral(", ")) + u')');
    }

    qint64 m_nextTaskId = 1000;
};

} // namespace Larkspan::Testing
