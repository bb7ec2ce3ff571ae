#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace Larkspan {

// Addresses as bookmarks carry them, both ways.
//
// Coming in, a link is read the way browsers read one (the WHATWG URL
// rules: tabs and line breaks taken out, controls and spaces trimmed from
// the ends) before anything decides what it is, so "java<TAB>script:" is a
// javascript: link like any other. A web link is stored as a person reads it
// in a browser's address bar: an international host name in its own letters
// (unless it mixes scripts, which browsers show as punycode), a path that
// holds percent-encoded UTF-8 in its characters. A mailto: link is stored
// as the e-mail address with its subject and body, in the form opening turns
// back into the same link ("a@example.com?subject=Hi").
//
// Going out, an e-mail address becomes an RFC 6068 mailto: link (never
// "mailto:mailto:"), a web address the URL opening it would open.
class BookmarkLink
{
public:
    // What a bookmark's link is stored as: the address, or why it is left
    // out ("javascript: link").
    struct Stored
    {
        QString address;
        QString leftOut;
    };
    static Stored stored(const QString &href);

    // The link a bookmark of `address` gets; nothing for an empty address or
    // one that cannot be opened.
    static std::optional<QByteArray> linkOf(const QString &address);

    // The page `address` opens, in one form for each page: completed as
    // opening completes it, scheme and host in lower case, an international
    // host as punycode, percent-encoding normalised, "/" for an empty path,
    // no default port. An address that cannot be opened is its own page.
    static QString pageOf(const QString &address);

    // `href` with what browsers take out of a link taken out.
    static QString cleaned(QStringView href);
};

} // namespace Larkspan
