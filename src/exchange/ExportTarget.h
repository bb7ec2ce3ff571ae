#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

namespace Larkspan {

// Where an export writes: a file, which takes the place of the old one
// only once it is whole, or a device (standard output, /dev/full, a pipe),
// written straight. Every write is checked: a failure is kept with the
// system's reason, a full disk called one.
class ExportTarget
{
public:
    // `file` empty: `device`.
    ExportTarget(const QString &file, QIODevice &device);

    bool open();
    bool write(QByteArrayView bytes);
    // Makes the file whole in its place, or flushes the device.
    bool finish();
    // Leaves the old file as it was.
    void cancel();

    // "cannot write FILE: the disk is full (No space left on device)".
    QString failure() const;

private:
    void keepReason(const QIODevice &device);

    QString m_file;
    QIODevice *m_device;
    QSaveFile m_saved;
    QFile m_straight;
    QString m_reason;
};

} // namespace Larkspan
