// Percent-encoding of typed text: only unreserved bytes and %XX come out, and decoding
// gives back the text's UTF-8 exactly.
#include "queries/siteaddress.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString typed = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString encoded = encodeQueryValue(typed);
    for (QChar c : encoded) {
        const char16_t u = c.unicode();
        const bool unreserved = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
            || u == '-' || u == '.' || u == '_' || u == '~' || u == '%';
        if (!unreserved)
            std::abort();
    }
    if (QByteArray::fromPercentEncoding(encoded.toLatin1()) != typed.toUtf8())
        std::abort();
    return 0;
}
