#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <optional>

namespace Larkspan {

// What an address becomes before the desktop opens it: the one argument the
// opener receives. It needs Qt Core only, so export shares it with opening.
//
// Opening goes through QDesktopServices::openUrl, which on X11 starts
// xdg-open with exactly one argument, the URL as urlToOpen() encodes it; no
// shell of ours ever sees the text. The encoded URL
//  - always begins with its scheme, so with a letter, never with "-": it
//    cannot be read as an option of the opener;
//  - consists of printable ASCII only: spaces, control characters, line
//    breaks and all non-ASCII text are percent-encoded, so it cannot split
//    into several arguments;
//  - holds none of $ ` " \ ' either: a shell that reads it again inside
//    double or single quotes finds nothing to expand, substitute or unquote.
// Characters that delimit URLs (& ; = ( ) and so on) stay as they are, since
// encoding them would change the address; they matter only to an opener
// that runs its argument through a shell unquoted; xdg-open (1.1.3, as in
// Debian 12) hands "$1" on quoted to every handler and never evaluates it.
class ShellUrl
{
public:
    // The longest single argument the kernel passes to a program, NUL
    // included (MAX_ARG_STRLEN).
    static constexpr qsizetype longestArgument = 131072;

    // Whether `file` begins with a URL scheme, "mailto:" or "http:" say: a
    // letter, then letters, digits, "+", "-" or ".", then ":". A single letter
    // is a drive ("C:\x"), and "host.name:port" (or "localhost:port") is a
    // host with its port, not a scheme.
    static bool hasScheme(const QString &file);

    // The URL that opening `file` hands to the desktop, or nothing when it
    // cannot become a safe URL. Only web and mail addresses open: http,
    // https and ftp URLs with a host, a bare web address completed the way
    // QUrl::fromUserInput completes one ("www.example.org" becomes
    // http://www.example.org), and mailto links as MailLink rebuilds them.
    // A path, a file URL or any other scheme opens nothing.
    static std::optional<QUrl> urlToOpen(const QString &file);

    // The bytes the opener receives as its one argument for `url`.
    static QByteArray encodedArgument(const QUrl &url);

    // encodedArgument(*urlToOpen(file)) for the common shapes of a web
    // address, worked out without QUrl: "http://" or "https://" and a plain
    // host, or a plain host alone (which opening completes with "http://"),
    // then a path and query of ASCII that every step of urlToOpen keeps as
    // it is. Nothing for any other text: ask urlToOpen.
    static std::optional<QByteArray> plainWebArgument(QStringView file);
};

} // namespace Larkspan
