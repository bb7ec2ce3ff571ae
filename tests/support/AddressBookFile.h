#pragma once

#include "store/Record.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A fresh address book for one test case: a temporary directory that holds
// "Tessmoor.mdb" with the given entries, written and read back through a
// connection of its own, never through the program's store. The file is
// made by `schema`'s statements (the program's own table when none are
// given); a null text goes in as NULL. While one exists it can be made the
// current directory, where the main window looks for its file.
class AddressBookFile
{
public:
    explicit AddressBookFile(const QList<Larkspan::Record> &entries = {},
                             const QStringList &schema = {});
    ~AddressBookFile();

    QString directory() const { return m_dir.path(); }
    QString path() const;

    void append(const QList<Larkspan::Record> &entries);
    // The table's rows in record order.
    QList<Larkspan::Record> rows() const;

    // Makes the directory current until this object goes away.
    void enter();

    // Runs `statement` on the file at `path` over a connection of its own,
    // once for each set of bound values (many in one transaction); gives the
    // rows it answers, each as its columns' texts. Throws std::runtime_error
    // with the engine's message when it fails.
    static QList<QStringList> sql(const QString &path, const QString &statement,
                                  const QList<QVariantList> &bindings = {QVariantList()});

private:
    QTemporaryDir m_dir;
    QString m_previousDirectory;
};
