#pragma once

#include "platform/Outcome.h"

#include <QString>
#include <QStringList>

namespace Larkspan {

// Where each browser keeps its bookmarks. Firefox: places.sqlite in the
// default profile that profiles.ini (under ~/.mozilla/firefox, or where
// that is not there ~/.config/mozilla/firefox) names, the one the
// installation uses first. Chromium and the browsers built on it
// (Google Chrome, Brave, Vivaldi, Edge): Default/Bookmarks in their folder
// under ~/.config (or $XDG_CONFIG_HOME).
class BrowserProfiles
{
public:
    // "firefox", "chromium", "google-chrome", "brave", "vivaldi", "edge".
    static QStringList names();
    // The bookmarks file of `browser`, from its default profile or from the
    // profile folder `profile`; a failure says what is missing.
    static Outcome<QString> bookmarksFile(const QString &browser, const QString &profile);

private:
    static Outcome<QString> firefoxProfile();
};

} // namespace Larkspan
