// Every scraper on any page text. The first byte picks the scraper; the rest is taken
// as UTF-16 code units, so lone surrogates and every marker character can occur.
#include "queries/densityfigures.h"
#include "queries/keywordtable.h"
#include "queries/markersplit.h"
#include "queries/metatags.h"
#include "queries/spidertext.h"
#include "update/updateversion.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

static void require(bool holds)
{
    if (!holds)
        std::abort();
}

static void checkSplit(QStringView text, QStringView marker)
{
    const QList<QStringView> pieces = splitAtMarker(text, marker);
    require(text.isEmpty() == pieces.isEmpty());
    QString joined;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            joined += marker;
        joined += pieces[i];
        require(pieceOf(text, marker, i) == pieces[i]);
    }
    require(joined == text);
    require(pieceOf(text, marker, pieces.size()).isEmpty());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    QString page(qsizetype((size - 1) / 2), Qt::Uninitialized);
    std::memcpy(page.data(), data + 1, size_t(page.size()) * 2);

    switch (data[0] % 6) {
    case 0: {
        const MetaTags tags = parseMetaTags(page);
        require(tags.lengths.size() == tags.texts.size());
        break;
    }
    case 1:
        for (const KeywordRow &row : parseKeywordTable(page))
            require(row.keyword.size() <= page.size());
        break;
    case 2:
        if (const std::optional<QString> text = parseSpiderText(page))
            require(text->size() <= page.size());
        break;
    case 3:
        require(parseDensityFigures(page).size() <= page.size() + 1);
        break;
    case 4:
        require(page.startsWith(parseUpdateVersion(page)));
        break;
    case 5: {
        // The page's first code units are the marker for the rest.
        const qsizetype markerLength = page.isEmpty() ? 0 : page[0].unicode() % 8;
        const QStringView all(page);
        checkSplit(all.sliced(std::min(markerLength + 1, all.size())), all.mid(1, markerLength));
        break;
    }
    }
    return 0;
}
