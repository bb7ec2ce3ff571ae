#include "store/jet/JetReaderProcess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <csignal>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

constexpr int killGraceMs = 5000;
constexpr qsizetype maxDetailLength = 500;

// libmdb on a damaged file can print warnings at tens of megabytes a
// second: the reader's standard error is read as it comes and only its end
// is kept, which holds the reader's own last word.
constexpr qsizetype keptMessageBytes = 4096;

// A sound address book is read at well over 100 MB/s of processor time
// (a 50 MB one in 0.3 s), an ordinary one in a fraction of a second. On a
// machine busy with other work the wall clock runs ten times slower or
// worse (the 50 MB book took 2.7 s with 16 processes waiting for two
// cores). The limits leave that a wide margin still, and a file that sends
// libmdb into a loop meets one of them within seconds.
constexpr int baseTimeoutMs = 4000;
constexpr qint64 bytesPerExtraSecond = qint64(2) << 20;
// The reader itself needs about 12 MB, and for its answer a few times the
// text the file holds.
constexpr qint64 baseMemoryBytes = qint64(256) << 20;
constexpr qint64 memoryPerFileByte = 8;

struct Limits
{
    rlim_t cpuSeconds;
    rlim_t memoryBytes;
};

// Runs in the reader's process between fork and exec: system calls only.
// A limit that fails to be set leaves the stricter one already in force.
void fenceIn(const Limits &limits, pid_t parent)
{
    // Dies with us, even when we are killed outright. Had we died before
    // this call, our child would already be an orphan: it gives up.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    const rlimit cpu {limits.cpuSeconds, limits.cpuSeconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    const rlimit nothing {0, 0};
    ::setrlimit(RLIMIT_FSIZE, &nothing); // it only ever writes to its pipes
    ::setrlimit(RLIMIT_CORE, &nothing); // a crash leaves no file in the user's folder
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer reserves terabytes of address space for itself, so a
    // sanitizer build (the reader is built alike) runs without this one.
    const rlimit memory {limits.memoryBytes, limits.memoryBytes};
    ::setrlimit(RLIMIT_AS, &memory);
#else
    Q_UNUSED(limits.memoryBytes)
#endif
}

// The reader's message: its last non-empty line (libmdb may have printed
// warnings before it), shortened to something a message box can hold.
QString readerMessage(const QByteArray &standardError)
{
    const QList<QByteArray> lines = standardError.trimmed().split('\n');
    QString message = QString::fromUtf8(lines.isEmpty() ? QByteArray() : lines.last().trimmed());
    if (message.size() > maxDetailLength)
        message = message.left(maxDetailLength) + u"…"_s;
    return message;
}

// " (detail)", or nothing when there is no detail.
QString aside(const QString &detail)
{
    return detail.isEmpty() ? QString() : u" (%1)"_s.arg(detail);
}

} // namespace

int readerTimeoutMs(qint64 fileSize)
{
    return baseTimeoutMs + int(qMax(fileSize, qint64(0)) * 1000 / bytesPerExtraSecond);
}

Outcome<ReaderOutput> readJetTable(const QString &readerPath, const QString &file,
                                   const QString &table, int timeoutMs)
{
    const QString name = QFileInfo(file).fileName();
    const qint64 memoryBytes = baseMemoryBytes + memoryPerFileByte * QFileInfo(file).size();
    const Limits limits {rlim_t(timeoutMs + 999) / 1000, rlim_t(memoryBytes)};
    const pid_t parent = ::getpid();

    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setChildProcessModifier([limits, parent] { fenceIn(limits, parent); });

    // Both streams are taken while the waits below run, as the reader
    // writes them, so neither piles up in QProcess: its answer up to what
    // it can have held itself, of its messages only the end.
    QByteArray output;
    QByteArray messages;
    bool tooLong = false;
    const auto takeOutput = [&] {
        output += reader.readAllStandardOutput();
        if (output.size() > memoryBytes && !tooLong) {
            tooLong = true;
            reader.kill();
        }
    };
    const auto takeMessages = [&] {
        messages += reader.readAllStandardError();
        if (messages.size() > keptMessageBytes)
            messages.remove(0, messages.size() - keptMessageBytes);
    };
    QObject::connect(&reader, &QProcess::readyReadStandardOutput, takeOutput);
    QObject::connect(&reader, &QProcess::readyReadStandardError, takeMessages);

    const QDeadlineTimer deadline(timeoutMs);
    reader.start(readerPath, {file, table});
    if (!reader.waitForStarted(timeoutMs))
        return Failure {u"%1 is an Access address book, but Larkspan's converter "
                        u"larkspan-jet-reader could not be started%2."_s.arg(
                            name, aside(reader.errorString()))};

    if (!reader.waitForFinished(int(deadline.remainingTime()))
        && reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(killGraceMs);
        return Failure {u"%1 could not be read: the converter was stopped after %2 seconds "
                        u"without finishing; the file may be damaged."_s.arg(name)
                            .arg(timeoutMs / 1000)};
    }
    takeOutput();
    takeMessages();
    if (tooLong)
        return Failure {u"%1 could not be read: the converter gave an unusable answer (it "
                        u"answered with more than it read)."_s.arg(name)};
    const QString detail = aside(readerMessage(messages));
    if (reader.exitStatus() == QProcess::CrashExit)
        return Failure {u"%1 could not be read: the converter stopped unexpectedly, most likely "
                        u"because the file is damaged%2."_s.arg(name, detail)};
    switch (reader.exitCode()) {
    case 0:
        break;
    case JetReaderFormat::exitNoSuchTable:
        return Failure {u"%1 is an Access database, but it holds no address table (\"%2\")."_s.arg(
            name, table)};
    default:
        return Failure {
            u"%1 could not be read whole; it seems to be damaged%2."_s.arg(name, detail)};
    }

    Outcome<ReaderOutput> parsed = ReaderOutput::parse(output);
    if (!parsed.ok())
        return Failure {u"%1 could not be read: the converter gave an unusable answer%2."_s.arg(
            name, aside(parsed.error()))};
    return parsed;
}

} // namespace Larkspan::JetImport
