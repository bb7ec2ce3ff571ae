#include "exchange/ChromiumFormat.h"

#include "exchange/JsonBookmarkTree.h"

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
    return JsonBookmarkTree(JsonBookmarkTree::Dialect::Chromium, sink).readFile(source.path);
}

} // namespace Larkspan
