#include "exchange/ChromiumFormat.h"

#include "exchange/JsonBookmarkTree.h"
#include "exchange/JsonFormat.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace Larkspan {

ChromiumFormat::ChromiumFormat()
    : ExchangeFormat(u"chromium"_s,
                     u"the Bookmarks file of Chromium, Google Chrome, Brave, Vivaldi or Edge"_s)
{}

bool ChromiumFormat::reads(QByteArrayView head) const
{
    return firstCharacter(head) == '{' && head.contains("\"roots\"");
}

Outcome<void> ChromiumFormat::read(const ImportSource &source, EntrySink &sink) const
{
    if (!QFileInfo(source.path).isFile())
        return faultAt(
            1, u"read twice (for its folders' names first), so it must be a file, not a pipe"_s);
    return JsonBookmarkTree(JsonBookmarkTree::Dialect::Chromium, sink)
        .read([&]() -> std::unique_ptr<QIODevice> {
            auto file = std::make_unique<QFile>(source.path);
            return file->open(QIODevice::ReadOnly) ? std::move(file) : nullptr;
        });
}

} // namespace Larkspan
