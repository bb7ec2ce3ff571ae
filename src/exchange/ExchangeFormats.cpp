#include "exchange/ExchangeFormats.h"

#include "exchange/ChromiumFormat.h"
#include "exchange/CsvFormat.h"
#include "exchange/FirefoxBackupFormat.h"
#include "exchange/JsonFormat.h"
#include "exchange/NetscapeFormat.h"
#include "exchange/PlacesFormat.h"
#include "exchange/XbelFormat.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace Larkspan {

const std::vector<const ExchangeFormat *> &ExchangeFormats::all()
{
    static const PlacesFormat places;
    static const FirefoxBackupFormat firefox;
    static const ChromiumFormat chromium;
    static const XbelFormat xbel;
    static const NetscapeFormat html;
    static const JsonFormat json;
    static const CsvFormat csv;
    static const std::vector<const ExchangeFormat *> formats
        = {&html, &xbel, &csv, &json, &chromium, &firefox, &places};
    return formats;
}

const ExchangeFormat *ExchangeFormats::writing(const QString &name)
{
    for (const ExchangeFormat *format : all()) {
        if (format->name() == name && format->writer())
            return format;
    }
    return nullptr;
}

const ExchangeFormat *ExchangeFormats::writingFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const ExchangeFormat *format : all()) {
        if (format->extensions().contains(suffix) && format->writer())
            return format;
    }
    return nullptr;
}

const ExchangeFormat *ExchangeFormats::reading(QByteArrayView head)
{
    static const std::vector<const ExchangeFormat *> byDetection = [] {
        std::vector<const ExchangeFormat *> ordered;
        for (const bool signature : {true, false}) {
            for (const ExchangeFormat *format : all()) {
                if (format->holdsSignature() == signature)
                    ordered.push_back(format);
            }
        }
        return ordered;
    }();
    for (const ExchangeFormat *format : byDetection) {
        if (format->reads(head))
            return format;
    }
    return nullptr;
}

QString ExchangeFormats::writerNames(const QString &lastJoin)
{
    QStringList names;
    for (const ExchangeFormat *format : all()) {
        if (format->writer())
            names << format->name();
    }
    const QString last = names.takeLast();
    return names.join(u", "_s) + lastJoin + last;
}

QString ExchangeFormats::helpLines(const QString &indent, Formats which)
{
    QString lines;
    for (const ExchangeFormat *format : all()) {
        if (which == Formats::Written && !format->writer())
            continue;
        const QString name = format->writer() ? format->name() : QString();
        lines += indent + name.leftJustified(6) + format->description() + u'\n';
    }
    return lines;
}

QString ExchangeFormats::readSentence()
{
    QStringList kinds;
    for (const ExchangeFormat *format : all())
        kinds << format->description();
    const QString last = kinds.takeLast();
    return kinds.join(u"; "_s) + u"; or "_s + last;
}

} // namespace Larkspan
