#include "cli/DeletedCommand.h"

#include "store/AddressTable.h"

#include <QDateTime>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace Larkspan::DeletedCommand {

namespace {

void say(QIODevice &device, const QString &line)
{
    device.write((line + u'\n').toUtf8());
}

QString firstLine(const QString &text)
{
    static const QRegularExpression lineBreak(u"\r\n|\n|\r"_s);
    return text.section(lineBreak, 0, 0);
}

// The book opened for the command, or the status it ends with.
int opened(AddressTable &table, const QString &bookPath, QIODevice &errors)
{
    table.setNotice([&errors](const QString &text) { say(errors, u"larkspan: "_s + text); });
    if (const Outcome<void> open = table.open(bookPath, AddressTable::Use::Changes); !open.ok()) {
        say(errors,
            u"larkspan: %1: %2"_s.arg(QFileInfo(bookPath).absoluteFilePath(), open.error()));
        return Failed;
    }
    return Done;
}

} // namespace

int list(const QString &bookPath, bool purge, QIODevice &output, QIODevice &errors)
{
    AddressTable table;
    if (const int status = opened(table, bookPath, errors); status != Done)
        return status;
    if (purge) {
        const Outcome<qint64> forgotten = table.purgeDeleted(std::numeric_limits<qint64>::max());
        if (!forgotten.ok())
            return say(errors, u"larkspan: "_s + forgotten.error()), Failed;
        say(output, u"%1 deleted entries forgotten"_s.arg(forgotten.value()));
        return Done;
    }
    const Outcome<QList<DeletedEntry>> deleted = table.deletedEntries();
    if (!deleted.ok())
        return say(errors, u"larkspan: "_s + deleted.error()), Failed;
    int number = 0;
    for (const DeletedEntry &entry : deleted.value()) {
        const QString when
            = QDateTime::fromMSecsSinceEpoch(entry.deletedMs).toString(u"yyyy-MM-dd HH:mm"_s);
        say(output,
            u"%1\t%2\t%3\t%4\t%5"_s.arg(++number).arg(when, entry.record.type, entry.record.address,
                                                      firstLine(entry.record.about)));
    }
    return Done;
}

int restore(const QString &bookPath, const QList<int> &numbers, QIODevice &output,
            QIODevice &errors)
{
    AddressTable table;
    if (const int status = opened(table, bookPath, errors); status != Done)
        return status;
    const Outcome<QList<DeletedEntry>> deleted = table.deletedEntries();
    if (!deleted.ok())
        return say(errors, u"larkspan: "_s + deleted.error()), Failed;
    for (const int number : numbers) {
        if (number < 1 || number > deleted.value().size()) {
            say(errors,
                u"larkspan restore: there is no deleted entry %1; 'larkspan deleted'"
                u" lists them"_s.arg(number));
            return Misused;
        }
    }
    // Each number once, whatever the command line repeats.
    QList<int> once = numbers;
    std::sort(once.begin(), once.end());
    once.erase(std::unique(once.begin(), once.end()), once.end());
    for (const int number : once) {
        const DeletedEntry &entry = deleted.value()[number - 1];
        const Outcome<std::optional<QByteArray>> back = table.restoreDeleted(entry.id);
        if (!back.ok())
            return say(errors, u"larkspan: "_s + back.error()), Failed;
        say(output,
            u"%1\t%2\t%3"_s.arg(back.value() ? u"restored"_s : u"already back"_s, entry.record.type,
                                entry.record.address));
    }
    return Done;
}

} // namespace Larkspan::DeletedCommand
