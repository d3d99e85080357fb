// The windows ask for fonts by their Windows names; this maps them onto the families this platform
// has, in one place, for the program and its tests alike.
#pragma once

// Maps "MS Sans Serif", "Microsoft Sans Serif" and "Arial" onto Liberation Sans and makes the
// Windows default for dialogs, MS Sans Serif 8.25 pt, the application's font. Call once the
// application object exists, before the first window is made.
void UsePlatformFonts();
