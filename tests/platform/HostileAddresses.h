#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// File arguments as they reach the shell call, one per kind of attack, with
// the one argument the desktop's opener must receive for each (empty: the
// argument is no web or mail address, or cannot become a safe URL, and
// nothing is opened). Payloads call "pwn", a program the real-opener test
// puts on PATH that leaves a trace when it runs.
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
    return {
        {"e-mail", u"mailto:someone@example.org"_s, "mailto:someone@example.org"},
        {"bare web address", u"www.example.org"_s, "http://www.example.org"},
        {"bare host and port", u"example.org:8080/a?b=c"_s, "http://example.org:8080/a?b=c"},
        {"ftp", u"ftp://ftp.example.org/pub/"_s, "ftp://ftp.example.org/pub/"},
        {"command substitution", u"http://x/$(pwn)${HOME}"_s, "http://x/%24(pwn)%24%7BHOME%7D"},
        {"backquotes", u"mailto:`pwn`@example.org"_s, "mailto:%60pwn%60@example.org"},
        {"single quote break-out", u"http://x/';pwn;'"_s, "http://x/%27;pwn;%27"},
        {"double quote break-out", u"http://x/\";pwn;\"\\"_s, "http://x/%22;pwn;%22%5C"},
        {"shell separators", u"mailto:a@b;pwn&pwn|pwn>o<i"_s,
         "mailto:a@b%3Bpwn%26pwn%7Cpwn%3Eo%3Ci"},
        {"space, tab, CR, NUL", u"http://x/a b\t\r\u0000c"_s, "http://x/a%20b%09%0D%00c"},
        {"leading dash", u"--help"_s, ""},
        {"non-ASCII", u"mailto:j\u00f6rg@b\u00fcch.example"_s,
         "mailto:j%C3%B6rg@b%C3%BCch.example"},
        {"10,000 characters", u"http://x/"_s + QString(10000, u'x'),
         "http://x/" + QByteArray(10000, 'x')},
        {"longer than one argument may be", u"mailto:"_s + QString(50000, u'\u20ac'), ""},
        // Only web and mail addresses open.
        {"script", u"javascript:alert(1)"_s, ""},
        {"inline page", u"data:text/html,<script>pwn()</script>"_s, ""},
        {"network share", u"smb://evil.example/share"_s, ""},
        {"file URL", u"file:///usr/bin/xterm"_s, ""},
        {"bare path to a desktop file", u"/usr/share/applications/xterm.desktop"_s, ""},
        {"web scheme without a host", u"http:/etc/passwd"_s, ""},
        {"mail to no address (a web entry)", u"mailto:postmaster"_s, ""},
        {"mail to nobody", u"mailto:"_s, "mailto:"},
        // A mail link carries its recipients, a subject and a body, nothing else.
        {"attachment", u"mailto:a@example.org?attach=/etc/passwd"_s, "mailto:a@example.org"},
        {"fields in every spelling",
         u"mailto:a@example.org?Subject=Hi%20there&BCC=x@evil.example&%61ttach=/etc/passwd"
         u"?body=see%26you&cc=c@x.example&to=t@x.example&Reply-To=r@evil.example#more"_s,
         "mailto:a@example.org?subject=Hi%20there&body=see%26you"},
        {"header hidden in the subject",
         u"mailto:a@x.org?subject=hi%0D%0ABcc:%20x@evil.example&body=a"_s, "mailto:a@x.org?body=a"},
        {"header after the recipient", u"mailto:a@b\r\nBcc: c@evil.example\n--help"_s, ""},
        {"field hidden in the recipient", u"mailto:a@example.org%3Fattach=/etc/passwd"_s, ""},
    };
}

} // namespace HostileAddresses
