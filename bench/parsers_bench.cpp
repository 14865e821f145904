// Each scraper against one plain QString::indexOf scan of the same page for an absent
// marker shaped like the scraper's own start marker (the scan's speed depends on the
// marker's length). The target is at most two such scans, whatever the page's size.
#include "queries/keywordtable.h"
#include "queries/markersplit.h"
#include "queries/metatags.h"
#include "queries/spidertext.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

constexpr int64_t MiB = 1 << 20;

// About `bytes` of UTF-16 text, mixed Chinese and ASCII markup, free of every marker,
// followed by `tail`.
QString pageOf(int64_t bytes, const QString &tail)
{
    const QString unit = QStringLiteral("<p class=\"c\">网站优化 search engine 关键词 density 分析 </p>\n");
    QString text;
    text.reserve(bytes / 2 + unit.size() + tail.size());
    while (text.size() * 2 < bytes)
        text += unit;
    return text + tail;
}

const QString metaTail = QStringLiteral(
    "<tr><td>标题（Title）</td><td><font color=\"red\">5</font></td><td><div "
    "style=\"padding-left:10px;\">Hello"
    "</div></td></tr><tr><td>关键词（KeyWords）</td><td><font color=\"red\">3</font></td><td><div "
    "style=\"padding-left:10px;\">a,b</div></td></tr><tr><td>描述（Description）</td><td><font "
    "color=\"red\">4"
    "</font></td><td><div style=\"padding-left:10px;\">desc</div></td><td>一般不超过200个字符</td></tr>");

QString keywordTail(int rows)
{
    QString tail = QStringLiteral("<table><tr class=\"h\"><td>百度排名</td><td>Google排名</td></tr>");
    for (int i = 0; i < rows; ++i)
        tail +=
            QStringLiteral("<tr class=\"k\"><td>词%1</td><td>%1</td><td>1.%1%</td><td>-</td><td>-</td></tr>")
                .arg(i);
    return tail + QStringLiteral("</table>");
}

void scan(benchmark::State &state, const QString &page, const QString &absentMarker)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(page.indexOf(absentMarker));
    state.SetBytesProcessed(state.iterations() * page.size() * 2);
}

template<typename Parse>
void parse(benchmark::State &state, const QString &page, Parse parser)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(parser(page));
    state.SetBytesProcessed(state.iterations() * page.size() * 2);
}

void BM_MetaTags_Scan(benchmark::State &s)
{
    scan(s, pageOf(s.range(0), metaTail), QStringLiteral(">标题（Titlf）"));
}
void BM_MetaTags_Parse(benchmark::State &s)
{
    parse(s, pageOf(s.range(0), metaTail), [](const QString &p) { return parseMetaTags(p); });
}

void BM_SplitAtMarker_Scan(benchmark::State &s)
{
    scan(s, pageOf(s.range(0), metaTail), QStringLiteral("red'>"));
}
void BM_SplitAtMarker_Parse(benchmark::State &s)
{
    parse(s, pageOf(s.range(0), metaTail),
          [](const QString &p) { return splitAtMarker(p, u"red\">").size(); });
}

void BM_KeywordTable_Scan(benchmark::State &s)
{
    scan(s, pageOf(s.range(0), keywordTail(5000)), QStringLiteral("百度排名</td><td>Google排名</tf>"));
}
void BM_KeywordTable_Parse(benchmark::State &s)
{
    parse(s, pageOf(s.range(0), keywordTail(5000)), [](const QString &p) { return parseKeywordTable(p); });
}

// Here the text area holds the whole page, so the text shown is as large as the page.
void BM_SpiderText_Scan(benchmark::State &s)
{
    scan(s, QStringLiteral("<textarea cols=\"20\">") + pageOf(s.range(0), QStringLiteral("</textarea>")),
         QStringLiteral("cols=\"21\">"));
}
void BM_SpiderText_Parse(benchmark::State &s)
{
    parse(s, QStringLiteral("<textarea cols=\"20\">") + pageOf(s.range(0), QStringLiteral("</textarea>")),
          [](const QString &p) { return parseSpiderText(p); });
}

#define PAIR(name, ...)                                                                                      \
    BENCHMARK(BM_##name##_Scan)->__VA_ARGS__->Unit(benchmark::kMillisecond);                                 \
    BENCHMARK(BM_##name##_Parse)->__VA_ARGS__->Unit(benchmark::kMillisecond)

PAIR(MetaTags, Arg(MiB)->Arg(16 * MiB));
PAIR(SplitAtMarker, Arg(MiB)->Arg(16 * MiB));
PAIR(KeywordTable, Arg(16 * MiB));
PAIR(SpiderText, Arg(16 * MiB));

} // namespace

BENCHMARK_MAIN();
