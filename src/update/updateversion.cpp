#include "updateversion.h"

#include "queries/markersplit.h"

#include <contract/site_contract.h>

QString parseUpdateVersion(QStringView page)
{
    static const QString lineEnd = contractText(site_contract::kVersionLineEnd);
    return textBefore(page, lineEnd).toString();
}
