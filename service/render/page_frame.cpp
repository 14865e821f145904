#include "render/page_frame.h"

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
            "form.query{display:flex;flex-wrap:wrap;gap:.5em 1em;align-items:center;margin:1em 0;"
            "padding:.8em;background:#f5f8fc;border:1px solid #ccd}\n"
            "form.query label{display:flex;gap:.4em;align-items:center;flex:1 1 16em}\n"
            "form.query input{flex:1;min-width:0;padding:.35em;font:inherit}\n"
            "form.query button{padding:.35em 1.5em;font:inherit}\n"
            ".wide{overflow-x:auto}\n"
            ".summary .score{font-size:1.6em;font-weight:bold;color:#2a6ebb;margin-right:.5em}\n"
            "table.findings td.verdict{white-space:nowrap;font-weight:bold;width:3.5em}\n"
            "table.findings td.check{width:11em}\n"
            "tr.pass td.verdict{color:#2e7d32}\ntr.warn td.verdict{color:#b26a00}\n"
            "tr.fail td.verdict{color:#c62828}\ntr.info td.verdict{color:#666}\n"
            ".advice{color:#555;font-size:.9em;margin-top:.2em}\n"
            "figure.chart{margin:1em 0}\nfigure.chart svg{width:100%;height:auto;font-family:inherit}\n"
            "figcaption{color:#666;font-size:.9em}\n"
            "@media (max-width:600px){body{margin:1em auto;font-size:15px}td,th{padding:3px 4px}"
            "table.findings td.check{width:auto}table{font-size:.92em;word-break:break-word}}\n"
            "</style>\n</head>\n<body>\n";
    return html;
}

std::string page_end()
{
    return "</body>\n</html>\n";
}

} // namespace seo
