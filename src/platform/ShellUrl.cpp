#include "platform/ShellUrl.h"

#include "platform/AddressKind.h"
#include "platform/MailLink.h"

#include <QStringView>

using namespace Qt::StringLiterals;

// What an address becomes before anything is opened. It needs Qt Core
// only, so the command line's export shares it.
namespace Larkspan {

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "8080", "8080/path", "80?q": a port number ending the authority.
bool startsWithPort(QStringView rest)
{
    qsizetype digits = 0;
    while (digits < rest.size() && isAsciiDigit(rest.at(digits)))
        ++digits;
    if (digits == 0)
        return false;
    return digits == rest.size() || rest.at(digits) == u'/' || rest.at(digits) == u'?'
        || rest.at(digits) == u'#';
}

// A web address: http, https or ftp, with a host to reach. Any other
// scheme (file, data, javascript, smb, ...) would hand the text to
// whatever program the desktop keeps for it, a terminal or a shortcut's
// command among them.
bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme();
    return (scheme == u"http"_s || scheme == u"https"_s || scheme == u"ftp"_s)
        && !url.host().isEmpty();
}

// Characters a URL may hold that a shell would still act on inside quotes.
// Backquote, double quote and backslash are percent-encoded by QUrl already.
QByteArray quietenForShells(QByteArray encoded)
{
    encoded.replace('$', "%24");
    encoded.replace('\'', "%27");
    return encoded;
}

bool isSafeArgument(const QByteArray &argument)
{
    if (argument.isEmpty() || argument.size() >= ShellUrl::longestArgument)
        return false;
    if (!isAsciiLetter(QChar::fromLatin1(argument.front())))
        return false;
    for (const char c : argument) {
        if (c <= ' ' || c >= '\x7f')
            return false;
        if (c == '$' || c == '`' || c == '"' || c == '\\' || c == '\'')
            return false;
    }
    return true;
}

bool isLowerAsciiLetter(QChar c)
{
    return c >= u'a' && c <= u'z';
}

// A host QUrl keeps as it is: lower-case ASCII labels of letters, digits and
// inner dashes, none in the "xn--" form of an international name, the last
// beginning with a letter so that it is never an IP address QUrl rewrites.
bool isPlainHost(QStringView host)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype dot = host.indexOf(u'.', start);
        const QStringView label = host.sliced(start, (dot < 0 ? host.size() : dot) - start);
        if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
            return false;
        if (label.size() >= 4 && label[2] == u'-' && label[3] == u'-')
            return false;
        for (const QChar c : label) {
            if (!isLowerAsciiLetter(c) && !isAsciiDigit(c) && c != u'-')
                return false;
        }
        if (dot < 0)
            return isLowerAsciiLetter(label.front());
        start = dot + 1;
    }
}

// Path and query characters that QUrl, the quieting for shells and the
// opener's checks all leave as they are.
bool isPlainPathCharacter(QChar c)
{
    return isAsciiLetter(c) || isAsciiDigit(c) || QStringView(u"-._~!*()+,;=:@/?&").contains(c);
}

} // namespace

bool ShellUrl::hasScheme(const QString &file)
{
    const qsizetype colon = file.indexOf(u':');
    if (colon < 2) // no colon, nothing before it, or a drive letter
        return false;
    const QStringView scheme = QStringView(file).left(colon);
    if (!isAsciiLetter(scheme.front()))
        return false;
    for (const QChar c : scheme) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    const bool looksLikeHost
        = scheme.contains(u'.') || scheme.compare(u"localhost", Qt::CaseInsensitive) == 0;
    return !(looksLikeHost && startsWithPort(QStringView(file).mid(colon + 1)));
}

std::optional<QUrl> ShellUrl::urlToOpen(const QString &file)
{
    const bool mail = hasScheme(file) && file.startsWith(mailtoScheme, Qt::CaseInsensitive);
    QUrl url;
    if (mail) {
        const std::optional<QByteArray> link = MailLink::rebuilt(file);
        if (!link)
            return std::nullopt;
        url = QUrl::fromEncoded(*link, QUrl::StrictMode);
    } else if (hasScheme(file)) {
        url = QUrl(file, QUrl::TolerantMode);
    } else {
        url = QUrl::fromUserInput(file); // a path becomes a file URL, refused below
    }
    if (!url.isValid() || !(mail || isWebAddress(url)))
        return std::nullopt;

    const QByteArray argument = quietenForShells(url.toEncoded(QUrl::FullyEncoded));
    if (!isSafeArgument(argument))
        return std::nullopt;
    // The desktop encodes the URL again when it hands it over: only a URL
    // that encodes to exactly these bytes is passed on.
    const QUrl quiet = QUrl::fromEncoded(argument, QUrl::TolerantMode);
    if (!quiet.isValid() || encodedArgument(quiet) != argument)
        return std::nullopt;
    return quiet;
}

QByteArray ShellUrl::encodedArgument(const QUrl &url)
{
    return url.toEncoded(QUrl::FullyEncoded);
}

std::optional<QByteArray> ShellUrl::plainWebArgument(QStringView file)
{
    QStringView rest = file;
    QStringView scheme;
    for (const QStringView prefix : {QStringView(u"http://"), QStringView(u"https://")}) {
        if (rest.startsWith(prefix)) {
            scheme = prefix;
            rest = rest.sliced(prefix.size());
        }
    }
    qsizetype hostEnd = 0;
    while (hostEnd < rest.size() && rest[hostEnd] != u'/' && rest[hostEnd] != u'?')
        ++hostEnd;
    const QStringView host = rest.first(hostEnd);
    // Completing a bare host makes "ftp." hosts ftp URLs.
    if (!isPlainHost(host) || (scheme.isEmpty() && (host == u"ftp" || host.startsWith(u"ftp."))))
        return std::nullopt;
    for (const QChar c : rest.sliced(hostEnd)) {
        if (!isPlainPathCharacter(c))
            return std::nullopt;
    }
    if (scheme.size() + rest.size() >= longestArgument - qsizetype(sizeof "http://"))
        return std::nullopt;
    QByteArray argument = scheme.isEmpty() ? QByteArray("http://") : scheme.toLatin1();
    argument += rest.toLatin1();
    return argument;
}

} // namespace Larkspan
