#pragma once

#include <QProcessEnvironment>
#include <QString>

// A fake xdg-open for real-window tests. First on PATH, it records what the
// program asks the desktop to open instead of opening it: for each call a
// line "argc=N", then each argument on a line of its own.
class FakeOpener
{
public:
    // Writes the fake into `folder`/bin, its log beside it.
    explicit FakeOpener(const QString &folder);

    bool isReady() const { return m_ready; }
    // `environment` with the fake first on PATH.
    QProcessEnvironment environment(QProcessEnvironment environment) const;
    // Everything recorded so far.
    QString recorded() const;

private:
    QString m_bin;
    QString m_log;
    bool m_ready = false;
};
