#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

Twips Twips::ofScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return Twips(1440.0 / (screen ? screen->logicalDotsPerInchX() : 96.0));
}
