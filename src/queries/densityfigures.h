#pragma once

#include <QStringList>
#include <QStringView>

// The value texts of the density page's figures: slot 0 is the text in front of the
// first separator, slots 1 to n the figures in page order. Empty when the page holds
// no density section.
QStringList parseDensityFigures(QStringView page);
