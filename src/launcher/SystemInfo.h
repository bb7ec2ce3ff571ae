#pragma once

#include "platform/Outcome.h"

#include <QString>
#include <QtGlobal>

// The System Info command of the About box: finds the system information
// tool through the registry and starts it, or tells the user it is
// unavailable. Everything outside the program is reached through
// Larkspan::platform(). The About box forwards its public methods
// StartSysInfo and GetKeyValue here.
namespace Larkspan::SystemInfo {

// The tool's location is kept in the registry (see Registry::msinfoKey).
// Appended to the folder read from the second key, separator included.
inline constexpr char16_t toolFileName[] = u"\\MSINFO32.EXE";
inline constexpr char16_t unavailableMessage[] = u"System Information Is Unavailable At This Time";

// The room offered for a value's data, in bytes.
inline constexpr int valueBufferSize = 1024;
inline constexpr int normalWindowStyle = 1;

// Reads the value `SubKeyRef` of the key `KeyName` below `KeyRoot` into
// `KeyVal`. True when the key was opened and the value read. A string value
// becomes its text (its terminating NUL dropped); a 32-bit value is appended
// to KeyVal as hexadecimal digits, most significant first, and the whole
// gets the "&h" prefix; a value of any other type leaves KeyVal as it was.
// An unreadable key or value empties KeyVal and gives false. Value data of
// size 0 cannot be taken as text: that is a failure, which leaves KeyVal as
// it was. The key is closed on every path.
Outcome<bool> GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                          QString &KeyVal);

// Starts the system information tool with a normal window, or shows
// unavailableMessage when it cannot be found or started.
void StartSysInfo();

} // namespace Larkspan::SystemInfo
