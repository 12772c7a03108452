// The desktop types the QML pages declare: the tray icon and its menu ("Zerva.utility" 1.0).
#pragma once

#include <QString>
#include <QUrl>

// Registers SystemTrayIcon, MyMenu, MyShowUI, MyAction and MySeparator in "Zerva.utility" 1.0.
// Call once before the QML engine loads the main page.
void zv_register_tray_types();

// The file QIcon is to load for an icon URL: a local file's path, a "qrc:" URL as the resource
// path (":/Images/Icon.png"), anything else as its full text.
QString zv_tray_icon_path(const QUrl& url);
