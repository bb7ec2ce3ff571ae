#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <optional>

// Helpers shared by the Jet tests: the shared test files, copies of them in
// temporary folders, and snapshots of a folder's names and contents.
namespace JetTestSupport {

// The folder of the shared Jet test files, or an empty string when the
// shared tree is absent.
QString sharedJetDir();

#define REQUIRE_SHARED_JET_DIR()                                                                   \
    do {                                                                                           \
        if (JetTestSupport::sharedJetDir().isEmpty())                                              \
            QSKIP("the shared test data (../shared/testdata/jet) is not in this checkout");        \
    } while (false)

// Copies test file `name` to `directory/as` (writable). False on failure.
bool copyTestFile(const QString &name, const QString &directory, const QString &as);

// Every entry of `directory` (recursively) mapped to its SHA-256, or to
// "<dir>" for folders.
QMap<QString, QByteArray> snapshot(const QString &directory);

QByteArray sha256Of(const QString &path);

using Row = std::array<std::optional<QString>, 3>; // NULL is nothing

// The long texts of the Informaiton test files: the pattern cut to `length`
// characters, then "<END>".
QString longText(int length);

// The rows that Tessmoor_jet4_v2000_memo.mdb (memo) or ..._text.mdb hold.
QList<Row> informaitonRows(bool memo);
QList<Row> emojiRows();

} // namespace JetTestSupport

namespace JetTestSupport {

// The rows of the address book (our format) at `path`, in rowid order, each
// checked to have rowid 1, 2, 3, ... Empty with `error` set on failure.
QList<std::array<QString, 3>> addressBookRows(const QString &path, QString *error);

} // namespace JetTestSupport
