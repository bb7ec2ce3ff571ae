#include "store/jet/JetReaderProcess.h"

#include <QProcess>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

constexpr int killGraceMs = 5000;
constexpr qsizetype maxDetailLength = 500;

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

} // namespace

std::variant<ReaderOutput, ReaderError> readJetTable(const QString &readerPath, const QString &file,
                                                     const QString &table, int timeoutMs)
{
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.start(readerPath, {file, table});
    if (!reader.waitForStarted(timeoutMs))
        return ReaderError{ReaderError::Kind::NotStarted, reader.errorString()};

    if (!reader.waitForFinished(timeoutMs) && reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(killGraceMs);
        return ReaderError{ReaderError::Kind::TimedOut, {}};
    }
    const QByteArray output = reader.readAllStandardOutput();
    const QString message = readerMessage(reader.readAllStandardError());
    if (reader.exitStatus() == QProcess::CrashExit)
        return ReaderError{ReaderError::Kind::Crashed, message};
    switch (reader.exitCode()) {
    case 0: break;
    case JetReaderFormat::exitNoSuchTable:
        return ReaderError{ReaderError::Kind::NoSuchTable, message};
    default: return ReaderError{ReaderError::Kind::Unreadable, message};
    }

    QString error;
    std::optional<ReaderOutput> parsed = ReaderOutput::parse(output, &error);
    if (!parsed)
        return ReaderError{ReaderError::Kind::BadOutput, error};
    return std::move(*parsed);
}

} // namespace Larkspan::JetImport
