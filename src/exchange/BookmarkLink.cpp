#include "exchange/BookmarkLink.h"

#include "platform/AddressKind.h"
#include "platform/ShellUrl.h"
#include "platform/MailLink.h"

#include <QList>
#include <QSet>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    return u >= '0' && u <= '9' ? u - '0'
        : u >= 'a' && u <= 'f'  ? u - 'a' + 10
        : u >= 'A' && u <= 'F'  ? u - 'A' + 10
                                : -1;
}

// The byte of the "%XX" at `at`, or -1.
int encodedByte(QStringView text, qsizetype at)
{
    if (at + 2 >= text.size() || text[at] != u'%')
        return -1;
    const int high = hexValue(text[at + 1]), low = hexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Characters a person reads in an address: not controls, formatting,
// spaces of any kind or what is not assigned.
bool isReadable(char32_t point)
{
    switch (QChar::category(point)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return point != 0xFFFD;
    }
}

// `encoded` with each percent-encoded UTF-8 character a person can read
// written as that character; all else stays as it was.
QString decodedCharacters(QStringView encoded)
{
    QString out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size();) {
        const int lead = encodedByte(encoded, i);
        const int more = lead < 0xC2 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : 0;
        if (more == 0) {
            out += encoded[i++];
            continue;
        }
        QByteArray bytes(1, char(lead));
        for (int k = 1; k <= more; ++k) {
            const int next = encodedByte(encoded, i + 3 * k);
            if (next < 0x80 || next > 0xBF)
                break;
            bytes += char(next);
        }
        // Overlong forms and surrogates decode to U+FFFD, which stays encoded.
        const QString decoded = QString::fromUtf8(bytes);
        const QList<uint> points = decoded.toUcs4();
        if (bytes.size() == more + 1 && points.size() == 1 && isReadable(points[0])) {
            out += decoded;
            i += 3 * (more + 1);
        } else {
            out += encoded[i];
            ++i;
        }
    }
    return out;
}

// Whether browsers show the international label in its own letters: one
// script, or one of the mixtures of Latin with the scripts of Chinese,
// Japanese and Korean that they allow.
bool showsInItsLetters(const QString &label)
{
    QSet<int> scripts;
    for (const char32_t point : label.toUcs4()) {
        const QChar::Script script = QChar::script(point);
        if (script != QChar::Script_Common && script != QChar::Script_Inherited)
            scripts.insert(script);
    }
    if (scripts.size() <= 1)
        return true;
    const QList<QSet<int>> allowed = {
        {QChar::Script_Latin, QChar::Script_Han, QChar::Script_Hiragana, QChar::Script_Katakana},
        {QChar::Script_Latin, QChar::Script_Han, QChar::Script_Bopomofo},
        {QChar::Script_Latin, QChar::Script_Han, QChar::Script_Hangul},
    };
    for (const QSet<int> &mixture : allowed) {
        if (mixture.contains(scripts))
            return true;
    }
    return false;
}

QString readableHost(const QString &ace)
{
    QStringList labels = ace.split(u'.');
    for (QString &label : labels) {
        if (!label.startsWith(u"xn--"_s, Qt::CaseInsensitive))
            continue;
        const QString unicode = QUrl::fromAce(label.toLatin1(), QUrl::IgnoreIDNWhitelist);
        if (!unicode.isEmpty() && unicode != label && showsInItsLetters(unicode))
            label = unicode;
    }
    return labels.join(u'.');
}

// A web URL as a person reads it.
QString readable(const QUrl &url)
{
    QString out = url.scheme() + u"://"_s;
    if (!url.userInfo().isEmpty())
        out += url.userInfo(QUrl::FullyEncoded) + u'@';
    const QString host = url.host(QUrl::FullyEncoded);
    out += host.contains(u':') ? u'[' + host + u']' : readableHost(host);
    if (url.port() >= 0)
        out += u':' + QString::number(url.port());
    out += decodedCharacters(url.path(QUrl::FullyEncoded));
    if (url.hasQuery())
        out += u'?' + decodedCharacters(url.query(QUrl::FullyEncoded));
    if (url.hasFragment())
        out += u'#' + decodedCharacters(url.fragment(QUrl::FullyEncoded));
    return out;
}

// A text in the stored form of a mail link: what would end or split its
// part, and every control character, percent-encoded; the rest as it reads.
QString storedPart(const QString &text, QStringView special)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'%' || special.contains(c))
            out += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

// The stored form of a mail link: its recipients, its subject and body.
BookmarkLink::Stored storedMail(QStringView link)
{
    QStringView rest = link.sliced(mailtoScheme.size());
    rest = rest.left(rest.indexOf(u'#'));
    const qsizetype question = rest.indexOf(u'?');
    const QString recipients = QUrl::fromPercentEncoding(rest.left(question).toUtf8());
    if (addressKind(recipients) != AddressKind::Mail)
        return {{}, u"mailto: link without an address"_s};
    QString address = storedPart(recipients, u"?#&");
    QChar separator = u'?';
    QSet<QString> seen;
    const QStringView query = question < 0 ? QStringView() : rest.sliced(question + 1);
    for (const QStringView field : query.split(u'&')) {
        const qsizetype equals = field.indexOf(u'=');
        const QString name = QUrl::fromPercentEncoding(field.left(equals).toUtf8()).toLower();
        if ((name != u"subject"_s && name != u"body"_s) || seen.contains(name) || equals < 0)
            continue;
        seen.insert(name);
        const QString value = QUrl::fromPercentEncoding(field.sliced(equals + 1).toUtf8());
        address += separator + name + u'=' + storedPart(value, u"?#&");
        separator = u'&';
    }
    return {address, {}};
}

} // namespace

QString BookmarkLink::cleaned(QStringView href)
{
    qsizetype start = 0, end = href.size();
    while (start < end && href[start].unicode() <= 0x20)
        ++start;
    while (end > start && href[end - 1].unicode() <= 0x20)
        --end;
    href = href.sliced(start, end - start);
    if (!href.contains(u'\t') && !href.contains(u'\n') && !href.contains(u'\r'))
        return href.toString();
    QString out;
    out.reserve(end - start);
    for (const QChar c : href) {
        if (c != u'\t' && c != u'\n' && c != u'\r')
            out += c;
    }
    return out;
}

BookmarkLink::Stored BookmarkLink::stored(const QString &href)
{
    const QString link = cleaned(href);
    if (link.isEmpty())
        return {{}, u"bookmark without an address"_s};
    if (!ShellUrl::hasScheme(link))
        return {link, {}};
    // The common case, a plain ASCII address, is stored as it is.
    if (const auto plain = ShellUrl::plainWebArgument(link);
        plain && QLatin1StringView(*plain) == link)
        return {link, {}};
    const QString scheme = link.first(link.indexOf(u':')).toLower();
    if (scheme == u"mailto"_s)
        return storedMail(link);
    if (scheme != u"http"_s && scheme != u"https"_s && scheme != u"ftp"_s)
        return {{}, u"%1: link"_s.arg(scheme)};
    const QUrl url(link, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return {{}, u"%1: link without a host"_s.arg(scheme)};
    return {readable(url), {}};
}

std::optional<QByteArray> BookmarkLink::linkOf(const QString &address)
{
    switch (addressKind(address)) {
    case AddressKind::Empty:
        return std::nullopt;
    case AddressKind::Mail:
        return MailLink::rebuilt(address.startsWith(mailtoScheme, Qt::CaseInsensitive)
                                     ? address
                                     : mailtoScheme.toString() + address);
    case AddressKind::Web:
        break;
    }
    if (std::optional<QByteArray> plain = ShellUrl::plainWebArgument(address))
        return plain;
    const std::optional<QUrl> url = ShellUrl::urlToOpen(address);
    if (!url)
        return std::nullopt;
    return ShellUrl::encodedArgument(*url);
}

QString BookmarkLink::pageOf(const QString &address)
{
    if (addressKind(address) == AddressKind::Mail) {
        const std::optional<QByteArray> link = linkOf(address);
        if (!link)
            return address;
        // Domains are the same in any case.
        QString page = QString::fromLatin1(*link);
        bool inDomain = false;
        const qsizetype end = page.contains(u'?') ? page.indexOf(u'?') : page.size();
        for (qsizetype i = 0; i < end; ++i) {
            inDomain = page[i] == u'@' || (inDomain && page[i] != u',');
            if (inDomain)
                page[i] = page[i].toLower();
        }
        return page;
    }
    if (std::optional<QByteArray> plain = ShellUrl::plainWebArgument(address)) {
        qsizetype pathStart = plain->indexOf("//") + 2;
        while (pathStart < plain->size() && plain->at(pathStart) != '/'
               && plain->at(pathStart) != '?')
            ++pathStart;
        if (pathStart == plain->size() || plain->at(pathStart) == '?')
            plain->insert(pathStart, '/');
        return QString::fromLatin1(*plain);
    }
    std::optional<QUrl> url = ShellUrl::urlToOpen(address);
    if (!url)
        return address;
    const QString scheme = url->scheme();
    if (url->port() == (scheme == u"https"_s ? 443 : scheme == u"ftp"_s ? 21 : 80))
        url->setPort(-1);
    if (url->path().isEmpty())
        url->setPath(u"/"_s);
    return QString::fromLatin1(ShellUrl::encodedArgument(*url));
}

} // namespace Larkspan
