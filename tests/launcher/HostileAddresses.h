#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// File arguments as they reach the shell call, hostile ones among them, with
// the one argument the desktop's opener must receive for each (empty: the
// argument cannot become a safe URL and nothing is opened). Canary payloads
// call "pwn", a program the real-opener test puts on PATH that leaves a
// trace when it runs.
namespace HostileAddresses {

struct Case
{
    const char *name;
    QString file;
    QByteArray argument;
};

inline QList<Case> corpus()
{
    using namespace Qt::StringLiterals;
    const QString tenThousand = QString(10000, u'x');
    const QString tenThousandNonAscii = QString(10000, u'\u00e9');
    QByteArray encodedNonAscii;
    for (int i = 0; i < 10000; ++i)
        encodedNonAscii += "%C3%A9";

    return {
        {"mailto alone", u"mailto:"_s, "mailto:"},
        {"e-mail", u"mailto:someone@example.org"_s, "mailto:someone@example.org"},
        {"two @", u"mailto:a@b@c"_s, "mailto:a@b@c"},
        {"bare web address", u"www.example.org"_s, "http://www.example.org"},
        {"spaces around", u" www.example.org "_s, "http://www.example.org"},
        {"web with scheme", u"https://example.org/a?b=1&c=2#d"_s, "https://example.org/a?b=1&c=2#d"},
        {"command substitution", u"http://x/$(pwn)"_s, "http://x/%24(pwn)"},
        {"command substitution in mail", u"mailto:$(pwn)@example.org"_s, "mailto:%24(pwn)@example.org"},
        {"command substitution, bare", u"www.x.org/$(pwn)"_s, "http://www.x.org/%24(pwn)"},
        {"backquotes", u"mailto:`pwn`@example.org"_s, "mailto:%60pwn%60@example.org"},
        {"parameter expansion", u"mailto:x@y?body=$HOME${PATH}"_s, "mailto:x@y?body=%24HOME%24%7BPATH%7D"},
        {"single quote break-out", u"http://x/';pwn;'"_s, "http://x/%27;pwn;%27"},
        {"double quote break-out", u"http://x/\";pwn;\""_s, "http://x/%22;pwn;%22"},
        {"backslash", u"http://x/a\\\"b"_s, "http://x/a%5C%22b"},
        {"separators", u"mailto:a@b;pwn&pwn|pwn"_s, "mailto:a@b;pwn&pwn%7Cpwn"},
        {"redirections", u"http://x/>out<in"_s, "http://x/%3Eout%3Cin"},
        {"spaces", u"mailto:a b@example.org"_s, "mailto:a%20b@example.org"},
        {"newline", u"mailto:a@b\n--help"_s, "mailto:a@b%0A--help"},
        {"carriage return and tab", u"http://x/a\r\tb"_s, "http://x/a%0D%09b"},
        {"NUL", u"http://x/a\u0000b"_s, "http://x/a%00b"},
        {"line separator", u"http://x/a\u2028b\u0085c"_s, "http://x/a%E2%80%A8b%C2%85c"},
        {"leading dash", u"-x"_s, ""},
        {"leading double dash", u"--help"_s, ""},
        {"leading dash with @", u"-x@y"_s, "http://-x@y"},
        {"dash after scheme", u"mailto:--version"_s, "mailto:--version"},
        {"leading space and dash", u" -x"_s, ""},
        {"drive path", u"C:\\x"_s, ""},
        {"empty", QString(), ""},
        {"space", u" "_s, ""},
        {"unknown scheme", u"foo:bar"_s, "foo:bar"},
        {"host and port", u"www.x.org:8080/a"_s, "http://www.x.org:8080/a"},
        {"absolute path", u"/etc/hosts"_s, "file:///etc/hosts"},
        {"non-ASCII", u"mailto:j\u00f6rg@b\u00fccher.example"_s, "mailto:j%C3%B6rg@b%C3%BCcher.example"},
        {"international host", u"http://b\u00fccher.example/\u00e4"_s, "http://xn--bcher-kva.example/%C3%A4"},
        {"password with dollars", u"http://user:pa$$@x/"_s, "http://user:pa%24%24@x/"},
        {"10,000 characters", u"http://x/"_s + tenThousand, "http://x/" + tenThousand.toLatin1()},
        {"10,000 non-ASCII characters", u"mailto:"_s + tenThousandNonAscii,
         "mailto:" + encodedNonAscii},
        {"longer than one argument may be", u"mailto:"_s + QString(50000, u'\u20ac'), ""},
    };
}

} // namespace HostileAddresses
