// File access for a look that changes nothing: every file the message-base
// library opens is opened for reading only, sharing as a reader (deny none),
// and nothing is created.
#pragma once

namespace kestrel::check {

// Installs the library's stream factories with a file factory that turns
// every open into a read-only, deny-none open and refuses every creation.
// Whatever a format would write (a repaired index, a base header at close,
// a lastread record) then fails at the system's read-only descriptor, so no
// byte of an area changes, while other programs keep full access.
void InstallReadOnlyFiles();

}  // namespace kestrel::check
