// Start-up of the translation services: the QML type of the Qt translations, the context
// properties "langManager" and "jsonTrans" of the pages, and the translator of the media-key
// labels.
#pragma once

class QQmlApplicationEngine;

// Call once, before the main page is loaded. The objects live as long as the application.
void zv_install_language_services(QQmlApplicationEngine& engine);
