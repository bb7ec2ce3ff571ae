#include "exchange/FirefoxBackupFormat.h"

#include "exchange/InputStream.h"
#include "exchange/JsonBookmarkTree.h"

#include <QBuffer>
#include <QtEndian>

#include <lz4.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr QByteArrayView magic("mozLz40\0", 8);

} // namespace

FirefoxBackupFormat::FirefoxBackupFormat()
    : ExchangeFormat(u"firefox-backup"_s,
                     u"a Firefox bookmark backup (.json, or .jsonlz4 as Firefox keeps them)"_s)
{}

bool FirefoxBackupFormat::reads(QByteArrayView head) const
{
    return head.startsWith(magic)
        || (firstCharacter(head) == '{' && head.contains("\"text/x-moz-place"));
}

Outcome<QByteArray> FirefoxBackupFormat::unpacked(InputStream &input)
{
    QByteArray packed;
    for (QByteArrayView piece = input.take(); !piece.isEmpty(); piece = input.take()) {
        if (packed.size() + piece.size() > largestUnpacked + magic.size() + 4)
            return faultAt(1,
                           u"a compressed backup larger than 64 MiB: export the bookmarks "
                           u"from Firefox as HTML instead"_s);
        packed += piece;
    }
    if (input.fault())
        return *input.fault();
    if (packed.size() < magic.size() + 4)
        return faultAt(1, u"a compressed backup cut short"_s);
    const quint32 size = qFromLittleEndian<quint32>(packed.constData() + magic.size());
    if (size > quint32(largestUnpacked))
        return faultAt(1,
                       u"a compressed backup that unpacks to more than 64 MiB: export the "
                       u"bookmarks from Firefox as HTML instead"_s);
    QByteArray json(qsizetype(size), Qt::Uninitialized);
    const int header = int(magic.size() + 4);
    const int got = LZ4_decompress_safe(packed.constData() + header, json.data(),
                                        int(packed.size()) - header, int(size));
    if (got < 0 || quint32(got) != size)
        return faultAt(1, u"a compressed backup that is damaged"_s);
    return json;
}

Outcome<void> FirefoxBackupFormat::read(const ImportSource &source, EntrySink &sink) const
{
    JsonBookmarkTree tree(JsonBookmarkTree::Dialect::Firefox, sink);
    if (source.input.peek() != magic[0])
        return tree.readFile(source.path);
    Outcome<QByteArray> json = unpacked(source.input);
    if (!json.ok())
        return json.failure();
    return tree.read([&]() -> std::unique_ptr<QIODevice> {
        auto buffer = std::make_unique<QBuffer>(&json.value());
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    });
}

} // namespace Larkspan
