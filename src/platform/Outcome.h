#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

namespace Larkspan {

// Why an operation failed: the storage engine's or the program's own words.
// Converts to an Outcome of any kind, so a failure passes up as it is.
struct Failure
{
    QString error;
};

// A value, or the failure that left none. Outcome<void> is the form for
// operations that yield nothing but success.
template<typename T> class [[nodiscard]] Outcome
{
public:
    Outcome(T value)
        : m_value(std::move(value))
    {}
    Outcome(Failure failure)
        : m_error(std::move(failure.error))
    {}

    bool ok() const { return m_value.has_value(); }
    // Asking a failure for its value is a fault of the program's own: it
    // stops here, in every build.
    const T &value() const
    {
        if (!ok())
            qFatal("Outcome::value() of a failure: %s", qPrintable(m_error));
        return *m_value;
    }
    T &value()
    {
        if (!ok())
            qFatal("Outcome::value() of a failure: %s", qPrintable(m_error));
        return *m_value;
    }
    const QString &error() const { return m_error; }
    Failure failure() const { return Failure {m_error}; }

private:
    std::optional<T> m_value;
    QString m_error;
};

template<> class [[nodiscard]] Outcome<void>
{
public:
    Outcome() = default;
    Outcome(Failure failure)
        : m_failed(true)
        , m_error(std::move(failure.error))
    {}

    bool ok() const { return !m_failed; }
    const QString &error() const { return m_error; }
    Failure failure() const { return Failure {m_error}; }

private:
    bool m_failed = false;
    QString m_error;
};

} // namespace Larkspan
