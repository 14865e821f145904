#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What the spider simulation page shows of the queried page, or nothing when the
// page holds no text area content at all. A text area that reports the analysis
// site's failure to reach the address comes back as our own advice instead.
std::optional<QString> parseSpiderText(QStringView page);
