#pragma once

#include <QStringView>

namespace Larkspan {

// What an address of the book is, the one rule that opening, export and
// import all follow: an address with an "@" is an e-mail address (a mail
// link is made of it), any other non-empty address a web address.
enum class AddressKind { Empty, Web, Mail };

inline AddressKind addressKind(QStringView address)
{
    if (address.isEmpty())
        return AddressKind::Empty;
    return address.contains(u'@') ? AddressKind::Mail : AddressKind::Web;
}

// The scheme that makes an e-mail address a link.
inline constexpr QStringView mailtoScheme = u"mailto:";

} // namespace Larkspan
