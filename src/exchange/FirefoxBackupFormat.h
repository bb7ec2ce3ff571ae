#pragma once

#include "exchange/ExchangeFormat.h"

#include <QByteArray>

namespace Larkspan {

// Firefox's bookmark backup: JSON (Bookmarks, Backup), or JSON compressed
// as Firefox keeps its daily backups (the .jsonlz4 files in bookmarkbackups: "mozLz40"
// and a NUL, the size unpacked as four bytes little-endian, then one LZ4
// block). The bookmarks menu, the toolbar, other and mobile bookmarks give
// no category, the folders below them do; tags are left out.
class FirefoxBackupFormat : public ExchangeFormat
{
public:
    // The largest backup unpacked in memory, which a compressed one needs.
    static constexpr qsizetype largestUnpacked = qsizetype(64) << 20;

    FirefoxBackupFormat();
    bool reads(QByteArrayView head) const override;
    bool holdsSignature() const override { return true; }
    bool readsUtf8() const override { return false; }
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;

    // The JSON of a compressed backup.
    static Outcome<QByteArray> unpacked(InputStream &input);
};

} // namespace Larkspan
