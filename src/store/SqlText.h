#pragma once

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstddef>

namespace Larkspan {

// A statement's text, joined from pieces at compile time, so that every
// statement names tables and columns through the schema's constants.
template<std::size_t N> struct SqlText
{
    char16_t chars[N] = {};

    constexpr QStringView view() const { return QStringView(chars, qsizetype(N - 1)); }
    QString toString() const { return view().toString(); }
};

template<typename T> struct SqlTextLength;
template<std::size_t N> struct SqlTextLength<char16_t[N]>
{
    static constexpr std::size_t value = N - 1;
};
template<std::size_t N> struct SqlTextLength<SqlText<N>>
{
    static constexpr std::size_t value = N - 1;
};

template<std::size_t N> constexpr const char16_t *sqlChars(const char16_t (&text)[N])
{
    return text;
}
template<std::size_t N> constexpr const char16_t *sqlChars(const SqlText<N> &text)
{
    return text.chars;
}

// join(u"SELECT ", Schema::typeColumn, u" FROM ", Schema::table)
template<typename... Parts> consteval auto join(const Parts &...parts)
{
    SqlText<(SqlTextLength<Parts>::value + ... + 1)> joined;
    char16_t *at = joined.chars;
    ((at = std::copy_n(sqlChars(parts), SqlTextLength<Parts>::value, at)), ...);
    return joined;
}

} // namespace Larkspan
