#pragma once

// Who the program is to the desktop: the application ID that names its menu entry, metainfo and
// icon, its name and version, and the icon its window shows.

#include <QIcon>

// The reverse-DNS application ID, as the desktop entry's file name carries it.
inline constexpr char applicationId[] = ROSETTE_APP_ID;

// Sets the application's name, version, organisation domain and desktop file name, so window
// managers and compositors group the window with its menu entry. Needs no application object.
// The window title stays the window's own: no display name is set.
void setApplicationIdentity();

// The icon from the desktop's icon theme, or the one built into the program where the theme
// has none (a fresh install, a staging folder, the build folder).
QIcon applicationIcon();
