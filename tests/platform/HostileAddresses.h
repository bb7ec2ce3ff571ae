#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// File arguments as they reach the shell call, one per kind of attack, with
// the one argument the desktop's opener must receive for each (empty: the
// argument cannot become a safe URL and nothing is opened). Payloads call
// "pwn", a program the real-opener test puts on PATH that leaves a trace
// when it runs.
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
    const QString tenThousand(10000, u'x');
    return {
        {"e-mail", u"mailto:someone@example.org"_s, "mailto:someone@example.org"},
        {"bare web address", u"www.example.org"_s, "http://www.example.org"},
        {"command substitution", u"http://x/$(pwn)${HOME}"_s, "http://x/%24(pwn)%24%7BHOME%7D"},
        {"backquotes", u"mailto:`pwn`@example.org"_s, "mailto:%60pwn%60@example.org"},
        {"single quote break-out", u"http://x/';pwn;'"_s, "http://x/%27;pwn;%27"},
        {"double quote break-out", u"http://x/\";pwn;\"\\"_s, "http://x/%22;pwn;%22%5C"},
        {"shell separators", u"mailto:a@b;pwn&pwn|pwn>o<i"_s, "mailto:a@b;pwn&pwn%7Cpwn%3Eo%3Ci"},
        {"newline and option", u"mailto:a@b\n--help"_s, "mailto:a@b%0A--help"},
        {"space, tab, CR, NUL", u"http://x/a b\t\r\u0000c"_s, "http://x/a%20b%09%0D%00c"},
        {"leading dash", u"--help"_s, ""},
        {"non-ASCII", u"mailto:j\u00f6rg@b\u00fccher.example"_s, "mailto:j%C3%B6rg@b%C3%BCcher.example"},
        {"10,000 characters", u"http://x/"_s + tenThousand, "http://x/" + tenThousand.toLatin1()},
        {"longer than one argument may be", u"mailto:"_s + QString(50000, u'\u20ac'), ""},
    };
}

} // namespace HostileAddresses
