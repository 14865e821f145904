#pragma once

class QCoreApplication;

// Qt's own texts (the buttons of message boxes, the edit menus of text boxes) in Simplified
// Chinese, as the rest of the window, from the translations Qt installs. False when they
// are not installed: Qt's texts then stay in English.
bool installQtChineseTranslations(QCoreApplication &app);
