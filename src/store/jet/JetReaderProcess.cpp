#include "store/jet/JetReaderProcess.h"

#include <QFileInfo>
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

// " (detail)", or nothing when there is no detail.
QString aside(const QString &detail)
{
    return detail.isEmpty() ? QString() : u" (%1)"_s.arg(detail);
}

} // namespace

Outcome<ReaderOutput> readJetTable(const QString &readerPath, const QString &file,
                                   const QString &table, int timeoutMs)
{
    const QString name = QFileInfo(file).fileName();
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.start(readerPath, {file, table});
    if (!reader.waitForStarted(timeoutMs))
        return Failure{u"%1 is an Access address book, but Larkspan's converter "
                       u"larkspan-jet-reader could not be started%2."_s.arg(
                           name, aside(reader.errorString()))};

    if (!reader.waitForFinished(timeoutMs) && reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(killGraceMs);
        return Failure{u"%1 could not be read: the converter was stopped after %2 seconds "
                       u"without finishing; the file may be damaged."_s.arg(name)
                           .arg(timeoutMs / 1000)};
    }
    const QByteArray output = reader.readAllStandardOutput();
    const QString detail = aside(readerMessage(reader.readAllStandardError()));
    if (reader.exitStatus() == QProcess::CrashExit)
        return Failure{u"%1 could not be read: the converter stopped unexpectedly, most likely "
                       u"because the file is damaged%2."_s.arg(name, detail)};
    switch (reader.exitCode()) {
    case 0: break;
    case JetReaderFormat::exitNoSuchTable:
        return Failure{u"%1 is an Access database, but it holds no address table (\"%2\")."_s.arg(
            name, table)};
    default:
        return Failure{u"%1 could not be read whole; it seems to be damaged%2."_s.arg(name, detail)};
    }

    Outcome<ReaderOutput> parsed = ReaderOutput::parse(output);
    if (!parsed.ok())
        return Failure{u"%1 could not be read: the converter gave an unusable answer%2."_s.arg(
            name, aside(parsed.error()))};
    return parsed;
}

} // namespace Larkspan::JetImport
