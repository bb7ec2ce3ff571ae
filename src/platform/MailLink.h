#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Larkspan {

// What of a "mailto:" link may reach the mail program. Several mail
// programs act on the fields after "?" as they stand: "attach" or
// "attachment" attaches a file of the user's, "bcc" or "reply-to" sends the
// message, or its answers, somewhere the user does not see. So the link is
// taken apart and built anew from what a person means by it:
//  - the recipients before "?", decoded and encoded again; the link opens
//    nothing when they hide a "?" or a control character (a header of their
//    own), or when a link with recipients holds no "@" at all, which no
//    address to write to lacks (such a link comes from a web address);
//  - of the fields, only "subject" (unless it holds a line break or another
//    control character) and "body". A field's name is compared decoded and
//    without regard to case, so "%61ttach" and "ATTACH" are dropped like
//    "attach"; every "?" after the first separates fields, as "&" does;
//  - no fragment.
// Values are encoded so that nothing but letters, digits and "-._~" stand
// bare: no "&", "=", "?" or "#" of theirs can start a field of its own.
class MailLink
{
public:
    // The link as the mail program is to receive it, in bytes, or nothing
    // when `link` (a text beginning with "mailto:", in any case) cannot be
    // opened safely.
    static std::optional<QByteArray> rebuilt(const QString &link);
};

} // namespace Larkspan
