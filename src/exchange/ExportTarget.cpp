#include "exchange/ExportTarget.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace Larkspan {

ExportTarget::ExportTarget(const QString &file, QIODevice &device)
    : m_file(file)
    , m_device(&device)
    , m_saved(file)
    , m_straight(file)
{}

bool ExportTarget::open()
{
    if (m_file.isEmpty())
        return true;
    // A device or a pipe cannot be replaced by a file beside it.
    const QFileInfo info(m_file);
    const bool straight = info.exists() && !info.isFile();
    m_device = straight ? static_cast<QIODevice *>(&m_straight) : &m_saved;
    if (!m_device->open(QIODevice::WriteOnly
                        | (straight ? QIODevice::Unbuffered : QIODevice::NotOpen))) {
        keepReason(*m_device);
        return false;
    }
    return true;
}

bool ExportTarget::write(QByteArrayView bytes)
{
    if (!m_reason.isEmpty())
        return false;
    if (m_device->write(bytes.data(), bytes.size()) != bytes.size()) {
        keepReason(*m_device);
        return false;
    }
    return true;
}

bool ExportTarget::finish()
{
    if (!m_reason.isEmpty())
        return false;
    bool done = true;
    if (m_device == &m_saved)
        done = m_saved.commit();
    else if (auto *file = qobject_cast<QFileDevice *>(m_device))
        done = file->flush() && file->error() == QFileDevice::NoError;
    if (!done)
        keepReason(*m_device);
    return done;
}

void ExportTarget::cancel()
{
    if (m_device == &m_saved)
        m_saved.cancelWriting();
}

void ExportTarget::keepReason(const QIODevice &device)
{
    if (!m_reason.isEmpty())
        return;
    m_reason = device.errorString();
    if (m_reason == QString::fromLocal8Bit(std::strerror(ENOSPC)))
        m_reason = u"the disk is full (%1)"_s.arg(m_reason);
    if (m_reason.isEmpty())
        m_reason = u"the write failed"_s;
}

QString ExportTarget::failure() const
{
    const QString where = m_file.isEmpty() ? u"the standard output"_s : m_file;
    return u"cannot write %1: %2"_s.arg(where, m_reason);
}

} // namespace Larkspan
