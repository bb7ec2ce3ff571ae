// larkspan-jet-reader FILE TABLE
//
// Writes the columns and rows of one table of a Jet 3 or Jet 4 file to
// standard output in the stream described in ReaderFormat.h, or a message on
// standard error and a non-zero status when the table cannot be read whole.
// libmdb is not hardened against damaged files; it runs in this process so
// that a crash here can never take Larkspan down.

#include "JetTableReader.h"
#include "PageFile.h"
#include "TableStreamWriter.h"

#include "store/jet/ReaderFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

using namespace Larkspan;

namespace {

constexpr unsigned versionOffset = 0x14;

int fail(const std::string &message, int status = JetReaderFormat::exitFailure)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return status;
}

// libmdb accepts an empty or all-zero file as Jet 3, so look for ourselves.
bool readJetVersion(const char *path, unsigned char *version, std::string *error)
{
    static const unsigned char magic[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a',
                                          'r',  'd',  ' ',  'J',  'e', 't', ' ', 'D', 'B', 0x00};
    unsigned char header[versionOffset + 1] = {};
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open the file: " + std::string(std::strerror(errno));
        return false;
    }
    size_t filled = 0;
    while (filled < sizeof header) {
        const ssize_t got = ::read(fd, header + filled, sizeof header - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += size_t(got);
    }
    ::close(fd);
    if (filled < sizeof header || std::memcmp(header, magic, sizeof magic) != 0
        || header[versionOffset] > 1) {
        *error = "the file is not a Jet 3 or Jet 4 database";
        return false;
    }
    *version = header[versionOffset];
    return true;
}

bool sameName(const char *a, const char *b)
{
    gchar *foldedA = g_utf8_casefold(a, -1);
    gchar *foldedB = g_utf8_casefold(b, -1);
    const bool same = std::strcmp(foldedA, foldedB) == 0;
    g_free(foldedA);
    g_free(foldedB);
    return same;
}

enum class Lookup { Found, NoSuchTable, NoCatalog };

// A user table by name; Jet compares names without regard to case, so does
// this, preferring an exact match. Every Jet file lists its own catalog
// table, MSysObjects: a catalog without it was not read from a sound file.
Lookup findTable(MdbHandle *mdb, const char *name, MdbCatalogEntry **found)
{
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        return Lookup::NoCatalog;
    bool sound = false;
    MdbCatalogEntry *folded = nullptr;
    *found = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE)
            continue;
        if (std::strcmp(entry->object_name, "MSysObjects") == 0)
            sound = true;
        if (!mdb_is_user_table(entry) || *found)
            continue;
        if (std::strcmp(entry->object_name, name) == 0)
            *found = entry;
        else if (!folded && sameName(entry->object_name, name))
            folded = entry;
    }
    if (!sound)
        return Lookup::NoCatalog;
    if (!*found)
        *found = folded;
    return *found ? Lookup::Found : Lookup::NoSuchTable;
}

bool writeAll(int fd, const std::string &bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t done = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        written += size_t(done);
    }
    return true;
}

int run(const char *path, const char *tableName, int out)
{
    std::string error;
    unsigned char version = 0;
    if (!readJetVersion(path, &version, &error))
        return fail(error);

    // Names arrive from libmdb in UTF-8; table data is decoded here.
    ::unsetenv("MDBICONV");
    MdbHandle *mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb)
        return fail("libmdb cannot open the file");
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");

    int status = 0;
    MdbTableDef *table = nullptr;
    PageFile file;
    if (!file.open(path, unsigned(mdb->fmt->pg_size), mdb->fmt->row_count_offset, &error)) {
        status = fail(error);
    } else if (MdbCatalogEntry *entry = nullptr;
               findTable(mdb, tableName, &entry) == Lookup::NoCatalog) {
        status = fail("the file's list of tables cannot be read: the file is damaged");
    } else if (!entry) {
        status = fail(std::string("the file holds no table named ") + tableName,
                      JetReaderFormat::exitNoSuchTable);
    } else if (!(table = mdb_read_table(entry)) || !mdb_read_columns(table)) {
        status = fail(std::string("the definition of table ") + tableName + " cannot be read");
    } else {
        JetTableReader reader(mdb, table, file);
        TableStreamWriter writer(reader.columns());
        if (!reader.readRows(writer, &error))
            status = fail(error);
        else if (!writeAll(out, writer.finish()))
            status = fail("cannot write the table: " + std::string(std::strerror(errno)));
    }
    if (table)
        mdb_free_tabledef(table); // before the handle that it refers to
    mdb_close(mdb);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail("usage: larkspan-jet-reader FILE TABLE", JetReaderFormat::exitUsage);

    // libmdb prints warnings to standard output; keep that for our stream
    // alone and send everything else to standard error.
    const int out = ::dup(STDOUT_FILENO);
    if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return fail("cannot set up the output");
    const int status = run(argv[1], argv[2], out);
    ::close(out);
    return status;
}
