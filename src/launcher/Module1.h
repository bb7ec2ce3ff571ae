#pragma once

#include <QString>

// The address launcher: opens one address in the mail program or the web
// browser. Callers assign TargetAddress and then call OpenAddress.
namespace Module1 {

// The address to open. Empty at start; assigned right before OpenAddress.
extern QString TargetAddress;

// Opens TargetAddress without waiting for the programs it starts.
//
// An address without "@" is a web address: the fixed browser program is
// started (maximized) and the bare address is handed to the shell; a step
// that fails is skipped. Any other address (one or more "@", or the empty
// address) is handed to the shell as "mailto:" followed by the address,
// unescaped; the shell's result is not looked at, and a failure of the shell
// call itself ends the program through Larkspan::raiseUnhandled.
void OpenAddress();

// The highest index of the pieces TargetAddress splits into at every "@":
// the number of "@" in the address, or -1 for the empty address, which
// splits into no pieces at all.
qsizetype highestPieceIndex(const QString &address);

// Fixed texts of the launcher.
inline constexpr char16_t workingDirectory[] = u"C:\\";
inline constexpr char16_t browserProgram[] = u"C:\\program files\\internet explorer\\Iexplore.exe";
inline constexpr int showNormal = 1;
inline constexpr int maximizedWithFocus = 3;

} // namespace Module1
