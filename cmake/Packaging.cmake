# The Debian package, built by script/package with CPack. Its library
# dependencies are computed by dpkg-shlibdeps from the binaries; only what is
# loaded at run time, out of its sight, is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME larkspan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Larkspan developers")
set(CPACK_PACKAGE_CONTACT "Larkspan developers <larkspan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list of web and e-mail addresses, by category")
set(CPACK_PACKAGE_DESCRIPTION
    "Larkspan keeps one person's list of web and e-mail addresses. Each address is
filed under a category with a line of information about it. Pick a category to
see its addresses, pick one to read its information, and double-click it to
open it in the mail program or the web browser.
.
The list is kept in the SQLite file Tessmoor.mdb in the home folder; old
address books in the Jet (Access 97 to 2003) format are converted on first
use, keeping the original.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time: the fonts the windows are drawn with, and xdg-open,
# which opens the addresses. (SQLite itself is a library the program links.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation, xdg-utils")
# Glyphs for Chinese, Japanese and Korean categories; the About box's System
# Info button starts a system information tool when there is one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-droid-fallback")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "hardinfo | kinfocenter")
include(CPack)
