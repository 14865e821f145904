#include "site/page_layout.h"

namespace seo {

std::string page_start(std::string_view title, std::string_view head_extra)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    html += head_extra;
    html += "<title>";
    html += title;
    html += "</title>\n<style>\n"
            "body{font-family:\"Microsoft YaHei\",\"PingFang SC\",\"Noto Sans CJK SC\",sans-serif;"
            "max-width:960px;margin:2em auto;padding:0 1em;color:#222;line-height:1.6}\n"
            "h1{font-size:1.5em;border-bottom:2px solid #2a6ebb;padding-bottom:.3em}\n"
            "h2{font-size:1.15em;margin-top:1.5em;color:#2a6ebb}\n"
            "table{border-collapse:collapse;width:100%}\n"
            "td,th{border:1px solid #ccd;padding:4px 8px;text-align:left;vertical-align:top}\n"
            "tr.head td,th{background:#eef3fa;font-weight:bold}\n"
            "textarea{width:100%;height:28em;font-family:inherit}\n"
            ".failure{color:#b00;font-weight:bold}\n.note{color:#666;font-size:.9em}\n"
            "</style>\n</head>\n<body>\n";
    return html;
}

std::string page_end()
{
    return "</body>\n</html>\n";
}

} // namespace seo
