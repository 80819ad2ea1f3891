#pragma once
// The default system sound, behind one replaceable handler.
//
// Windows plays MessageBeep(0); POSIX has no system sound and does nothing.
// Tests install a handler to observe the beep on every platform.

namespace platform {

using BeepHandler = void (*)();

// Plays the sound through the installed handler, or the platform's own.
void Beep();

// Installs a handler (null restores the default); answers the old one.
BeepHandler SetBeepHandler(BeepHandler handler);

// The platform's own sound.
void DefaultBeep();

}  // namespace platform
