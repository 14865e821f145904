#include "updateversion.h"

#include "queries/markersplit.h"

QString parseUpdateVersion(QStringView page)
{
    return textBefore(page, u"\r\n").toString();
}
