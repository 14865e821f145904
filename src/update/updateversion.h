#pragma once

#include <QString>
#include <QStringView>

// The newest version named by the update file: its first line, up to the first CR LF
// (a line feed alone does not end it). Empty for an empty file.
QString parseUpdateVersion(QStringView page);
