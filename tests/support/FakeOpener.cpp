#include "FakeOpener.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

FakeOpener::FakeOpener(const QString &folder)
    : m_bin(folder + u"/bin"_s)
    , m_log(folder + u"/opened.log"_s)
{
    QFile fake(m_bin + u"/xdg-open"_s);
    m_ready = QDir().mkpath(m_bin) && fake.open(QIODevice::WriteOnly)
              && fake.write("#!/bin/sh\n{ printf 'argc=%s\\n' \"$#\"; for a; do printf '%s\\n' "
                            "\"$a\"; done; } >> \"$OPENED_LOG\"\n")
                     > 0;
    fake.close();
    m_ready = m_ready
              && fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment FakeOpener::environment(QProcessEnvironment environment) const
{
    environment.insert(u"PATH"_s, m_bin + u':' + environment.value(u"PATH"_s));
    environment.insert(u"OPENED_LOG"_s, m_log);
    return environment;
}

QString FakeOpener::recorded() const
{
    QFile file(m_log);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
