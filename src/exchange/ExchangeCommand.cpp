#include "exchange/ExchangeCommand.h"

#include "exchange/ExchangeFormat.h"
#include "store/AddressTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

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

QString skippedReasons(const QMap<QString, qsizetype> &skipped)
{
    qsizetype total = 0;
    QStringList reasons;
    for (auto it = skipped.cbegin(); it != skipped.cend(); ++it) {
        total += it.value();
        reasons << u"%1 %2"_s.arg(it.value()).arg(it.key());
    }
    if (reasons.isEmpty())
        return u"0 skipped"_s;
    return u"%1 skipped (%2)"_s.arg(total).arg(reasons.join(u", "_s));
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

int ExchangeCommand::exportBook(const QString &format, const QString &file)
{
    using Kind = ExchangeFormat::Kind;
    const std::optional<Kind> kind = !format.isEmpty() ? ExchangeFormat::named(format)
        : file.isEmpty()                               ? std::optional(Kind::Html)
                                                       : ExchangeFormat::ofFileName(file);
    if (!kind) {
        say(m_errors,
            format.isEmpty()
                ? u"larkspan export: the name %1 tells no format: give --format html, csv or json"_s
                      .arg(file)
                : u"larkspan export: no format is called %1: use html, csv or json"_s.arg(format));
        return Misused;
    }
    if (!file.isEmpty() && isPartOfBook(file, m_bookPath)) {
        say(m_errors, u"larkspan export: %1 is the address book itself"_s.arg(file));
        return Misused;
    }

    AddressTable table;
    const QFileInfo book(m_bookPath);
    const bool bookExists = book.exists() || book.isSymLink();
    if (bookExists) {
        if (const Outcome<void> opened = table.open(m_bookPath, AddressTable::Use::Reading);
            !opened.ok()) {
            say(m_errors, opened.error());
            return Failed;
        }
    }

    QSaveFile saved(file);
    if (!file.isEmpty() && !saved.open(QIODevice::WriteOnly)) {
        say(m_errors, u"larkspan export: cannot write %1: %2"_s.arg(file, saved.errorString()));
        return Failed;
    }
    QIODevice &target = file.isEmpty() ? m_output : saved;

    const std::unique_ptr<ExchangeFormat> writer = ExchangeFormat::make(*kind);
    QByteArray buffer;
    buffer.reserve(chunkBytes + chunkBytes / 4);
    bool written = true;
    auto flush = [&] {
        written = written && target.write(buffer) == buffer.size();
        buffer.resize(0);
        return written;
    };
    qsizetype leftOut = 0;
    writer->begin(buffer);
    if (bookExists) {
        const auto order = writer->groupsByCategory() ? AddressTable::Order::ByCategory
                                                      : AddressTable::Order::Records;
        const Outcome<void> read = table.forEach(order, [&](const Record &record) {
            if (!writer->append(buffer, record))
                ++leftOut;
            return buffer.size() < chunkBytes || flush();
        });
        if (!read.ok()) {
            saved.cancelWriting();
            say(m_errors, read.error());
            return Failed;
        }
    }
    writer->end(buffer);
    flush();
    if (!written || (!file.isEmpty() && !saved.commit())) {
        const QString where = file.isEmpty() ? u"the output"_s : file;
        saved.cancelWriting();
        say(m_errors, u"larkspan export: cannot write %1: %2"_s.arg(where, target.errorString()));
        return Failed;
    }
    if (leftOut > 0)
        say(m_errors,
            u"larkspan export: %1 left out, with no address a browser can open"_s.arg(leftOut));
    return Done;
}

int ExchangeCommand::importFile(const QString &file)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        say(m_errors, u"larkspan import: cannot read %1: %2"_s.arg(file, input.errorString()));
        return Failed;
    }
    const QByteArray content = input.readAll();
    if (input.error() != QFileDevice::NoError) {
        say(m_errors, u"larkspan import: cannot read %1: %2"_s.arg(file, input.errorString()));
        return Failed;
    }
    const Outcome<ReadEntries> outcome
        = ExchangeFormat::make(ExchangeFormat::ofContent(content))->read(content);
    if (!outcome.ok()) {
        say(m_errors, u"%1:%2"_s.arg(file, outcome.error()));
        return Failed;
    }
    const ReadEntries &read = outcome.value();

    AddressTable table;
    table.setNotice([this](const QString &text) { say(m_errors, u"larkspan: "_s + text); });
    if (const Outcome<void> opened = table.open(m_bookPath, AddressTable::Use::Changes);
        !opened.ok()) {
        say(m_errors, opened.error());
        return Failed;
    }
    Outcome<std::unique_ptr<AddressTable::Additions>> additions = table.beginAdditions();
    if (!additions.ok()) {
        say(m_errors, additions.error());
        return Failed;
    }
    qsizetype added = 0;
    for (const Record &record : read.records) {
        const Outcome<bool> one = additions.value()->add(record);
        if (!one.ok()) {
            say(m_errors, one.error());
            return Failed;
        }
        added += one.value() ? 1 : 0;
    }
    if (const Outcome<void> committed = additions.value()->commit(); !committed.ok()) {
        say(m_errors, committed.error());
        return Failed;
    }
    say(m_output,
        u"%1 added, %2 already present, %3"_s.arg(added)
            .arg(read.records.size() - added)
            .arg(skippedReasons(read.skipped)));
    return Done;
}

namespace {

template<typename Command> int onStandardStreams(const QString &bookPath, Command command)
{
    QFile output;
    QFile errors;
    output.open(stdout, QIODevice::WriteOnly);
    errors.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    ExchangeCommand exchange(bookPath, output, errors);
    const int status = command(exchange);
    output.flush();
    return status;
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

} // namespace Larkspan
