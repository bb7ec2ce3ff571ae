#include "exchange/ExchangeCommand.h"

#include "exchange/CategoryGroups.h"
#include "exchange/ExchangeFormats.h"
#include "exchange/ExportTarget.h"
#include "store/AddressTable.h"

#include <QFile>
#include <QFileInfo>

#include <new>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Writing goes out in pieces of this size, so that a million entries never
// sit in memory as one text.
constexpr qsizetype chunkBytes = 1 << 20;

QString pathOf(const QFileInfo &file)
{
    return file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
}

// Whether writing `file` would write over the address book or its log.
bool isPartOfBook(const QString &file, const QString &bookPath)
{
    const QString target = pathOf(QFileInfo(file));
    const QString book = pathOf(QFileInfo(bookPath));
    for (const char16_t *suffix : {u"", u"-wal", u"-shm", u"-journal"}) {
        if (target == book + QString::fromUtf16(suffix))
            return true;
    }
    return false;
}

} // namespace

ExchangeCommand::ExchangeCommand(const QString &bookPath, QIODevice &output, QIODevice &errors)
    : m_bookPath(bookPath)
    , m_output(output)
    , m_errors(errors)
{}

void ExchangeCommand::say(QIODevice &device, const QString &line)
{
    device.write((line + u'\n').toUtf8());
}

int ExchangeCommand::bookFailed(const QString &message)
{
    say(m_errors, u"larkspan: %1: %2"_s.arg(QFileInfo(m_bookPath).absoluteFilePath(), message));
    return Failed;
}

int ExchangeCommand::exportBook(const QString &format, const QString &file)
{
    const ExchangeFormat *kind = !format.isEmpty() ? ExchangeFormats::writing(format)
        : file.isEmpty()                           ? ExchangeFormats::writing(u"html"_s)
                                                   : ExchangeFormats::writingFileName(file);
    if (!kind) {
        const QString names = ExchangeFormats::writerNames();
        say(m_errors,
            format.isEmpty()
                ? u"larkspan export: the name %1 tells no format: give --format %2"_s.arg(file,
                                                                                          names)
                : u"larkspan export: no format is called %1: use %2"_s.arg(format, names));
        return Misused;
    }
    if (!file.isEmpty() && isPartOfBook(file, m_bookPath)) {
        say(m_errors, u"larkspan export: %1 is the address book itself"_s.arg(file));
        return Misused;
    }
    return exportTo(*kind, file);
}

int ExchangeCommand::exportTo(const ExchangeFormat &format, const QString &file)
{
    AddressTable table;
    const QFileInfo book(m_bookPath);
    const bool bookExists = book.exists() || book.isSymLink();
    if (bookExists) {
        if (const Outcome<void> opened = table.open(m_bookPath, AddressTable::Use::Reading);
            !opened.ok())
            return bookFailed(opened.error());
    }

    ExportTarget target(file, m_output);
    if (!target.open()) {
        say(m_errors, u"larkspan export: "_s + target.failure());
        return Failed;
    }
    const std::unique_ptr<EntryWriter> writer = format.writer();
    QByteArray buffer;
    buffer.reserve(chunkBytes + chunkBytes / 4);
    auto flush = [&] {
        const bool written = target.write(buffer);
        buffer.resize(0);
        return written;
    };
    qsizetype leftOut = 0;
    writer->begin(buffer);
    if (bookExists) {
        const auto each = [&](const Record &record) {
            if (!writer->append(buffer, record))
                ++leftOut;
            return buffer.size() < chunkBytes || flush();
        };
        const Outcome<void> read = writer->groupsByCategory()
            ? CategoryGroups::forEach(table, each)
            : table.forEach(AddressTable::Order::Records, each);
        if (!read.ok()) {
            target.cancel();
            return bookFailed(read.error());
        }
    }
    writer->end(buffer);
    if (!flush() || !target.finish()) {
        target.cancel();
        say(m_errors, u"larkspan export: "_s + target.failure());
        return Failed;
    }
    if (leftOut > 0)
        say(m_errors,
            u"larkspan export: %1 left out, with no address a browser can open"_s.arg(leftOut));
    return Done;
}

namespace {

template<typename Command> int onStandardStreams(const QString &bookPath, Command command)
{
    // Straight to the file descriptors, so that every failed write is seen.
    QFile output;
    QFile errors;
    output.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    errors.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    ExchangeCommand exchange(bookPath, output, errors);
    try {
        return command(exchange);
    } catch (const std::bad_alloc &) {
        // Whatever was under way is undone as the stack unwinds.
        errors.write("larkspan: out of memory\n");
        return ExchangeCommand::Failed;
    }
}

} // namespace

int runExport(const QString &bookPath, const QString &format, const QString &file)
{
    return onStandardStreams(bookPath,
                             [&](ExchangeCommand &c) { return c.exportBook(format, file); });
}

int runImport(const QString &bookPath, const QString &file)
{
    return onStandardStreams(bookPath, [&](ExchangeCommand &c) { return c.importFile(file); });
}

int runImportFrom(const QString &bookPath, const QString &browser, const QString &profile)
{
    return onStandardStreams(bookPath,
                             [&](ExchangeCommand &c) { return c.importFrom(browser, profile); });
}

} // namespace Larkspan
