#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace Larkspan {

// A value or the storage engine's description of why there is none.
template <typename T>
class Outcome
{
public:
    Outcome(T value) : m_value(std::move(value)) {}
    static Outcome failure(QString error)
    {
        Outcome o;
        o.m_error = std::move(error);
        return o;
    }

    bool ok() const { return m_value.has_value(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const QString &error() const { return m_error; }

private:
    Outcome() = default;
    std::optional<T> m_value;
    QString m_error;
};

// The outcome of an operation that yields nothing but success or an error.
using Failure = std::optional<QString>;

} // namespace Larkspan
