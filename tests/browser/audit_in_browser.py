#!/usr/bin/python3
"""The tools site in a real browser: headless Chromium opens the home page of a running
seo-site, fills in the form as a person would, submits it and finds the audit; starts a
crawl of the little site from the home page's other form and reads its report, its
sorted list of addresses and one page's audit from there; then reads the home page at a
phone's width.

Usage: audit_in_browser.py PATH_TO_SEO_SITE [--screenshot FILE]
"""

import argparse
import functools
import http.server
import re
import subprocess
import sys
import tempfile
import threading
import urllib.parse
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait

PAGE = """<!DOCTYPE html><html lang="zh-CN"><head><meta charset="utf-8">
<title>二手房交易流程：看房、签约、贷款与过户</title>
<meta name="description" content="二手房交易要经过看房、签约、贷款、过户和交房五个环节，本文说明每个环节要准备的材料和常见风险。">
</head><body><h1>二手房交易流程</h1>
<p>买二手房之前，先了解二手房交易的五个环节。二手房过户前要核实产权，二手房贷款要提前办理。</p>
<h3>贷款</h3><p>贷款审批通过后办理过户手续，过户完成后交房。</p><img src="house.jpg">
<a href="/more">更多&gt;&gt;</a> <a href="/detail">点击这里</a> <a href="/loan">二手房贷款指南</a>
</body></html>"""

# Texts that a page meant for the tool shows raw, which a browser would read as markup.
HOSTILE = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>&lt;b&gt; &amp;copy; 价格</title></head>
<body><p>前文 &lt;/textarea&gt; 后文 &amp;lt;</p></body></html>"""


def crawl_the_site(browser, site, start, check):
    browser.get(site)
    browser.find_element(By.CSS_SELECTOR, "form.crawl input[name=url]").send_keys(start)
    browser.find_element(By.CSS_SELECTOR, "form.crawl input[name=max_pages]").send_keys("20")
    browser.find_element(By.CSS_SELECTOR, "form.crawl button").click()
    # The crawl's page reloads itself every few seconds until the crawl is done.
    WebDriverWait(browser, 30).until(lambda b: "/crawl?id=" in b.current_url and "已完成" in b.page_source)
    broken = browser.find_elements(By.CSS_SELECTOR, 'tr[data-check="site.broken_internal_links"]')
    check("the crawl finds the links to missing pages",
          bool(broken) and broken[0].get_attribute("class") == "fail" and "/more" in broken[0].text)
    check("the crawl's pictures drawn",
          len(browser.find_elements(By.CSS_SELECTOR, 'svg[aria-label="各层页面数"] rect')) >= 2
          and browser.find_elements(By.CSS_SELECTOR, 'svg[aria-label="网站结构"]'))
    browser.find_element(By.LINK_TEXT, "全部地址").click()
    browser.find_element(By.PARTIAL_LINK_TEXT, "状态").click()
    statuses = [cell.text for cell in browser.find_elements(By.CSS_SELECTOR, "table.pages tr td:nth-child(2)")]
    check("the addresses sorted by status", "sort=status" in browser.current_url
          and statuses == sorted(statuses) and "404" in statuses, repr(statuses))
    browser.find_element(By.PARTIAL_LINK_TEXT, "house.html").click()
    WebDriverWait(browser, 20).until(expected_conditions.presence_of_element_located((By.ID, "audit")))
    check("a crawled page opens its audit", "/report?url=" in browser.current_url)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("seo_site")
    parser.add_argument("--screenshot", help="also save a picture of the audit page")
    options = parser.parse_args()
    failures = []

    def check(name, ok, detail=""):
        print(f"{name}: {'ok' if ok else 'FAILED'} {detail}", flush=True)
        if not ok:
            failures.append(name)

    with tempfile.TemporaryDirectory() as work:
        Path(work, "house.html").write_text(PAGE, encoding="utf-8")
        Path(work, "hostile.html").write_text(HOSTILE, encoding="utf-8")
        quiet = type("Quiet", (http.server.SimpleHTTPRequestHandler,), {"log_message": lambda *a: None})
        target = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(quiet, directory=work))
        threading.Thread(target=target.serve_forever, daemon=True).start()
        service = subprocess.Popen([options.seo_site, "--port", "0", "--data", str(Path(work, "data"))],
                                   stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        browser = None
        try:
            site = re.search(r"http://\S+/", service.stdout.readline()).group(0)
            chrome = webdriver.ChromeOptions()
            for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1100,900"):
                chrome.add_argument(argument)
            browser = webdriver.Chrome(options=chrome)
            browser.get(site)
            check("home page has the form", browser.title == "SEO综合查询")
            browser.find_element(By.NAME, "url").send_keys(f"127.0.0.1:{target.server_address[1]}/house.html")
            browser.find_element(By.NAME, "kw").send_keys("二手房")
            browser.find_element(By.CSS_SELECTOR, "form.query button").click()
            WebDriverWait(browser, 20).until(expected_conditions.presence_of_element_located((By.ID, "audit")))
            check("the result has a plain address to share",
                  "/report?url=" in browser.current_url and "kw=" in browser.current_url, browser.current_url)

            def verdict(check_id):
                rows = browser.find_elements(By.CSS_SELECTOR, f'tr[data-check="{check_id}"]')
                return rows[0].get_attribute("class") if rows else None

            check("vague Chinese link texts found", verdict("links.vague") == "warn")
            check("skipped heading level found", verdict("structure.outline") == "warn")
            check("image without alt found", verdict("images.alt") == "warn")
            check("keyword found in the title without spaces", verdict("keyword.title") == "pass")
            bars = browser.find_elements(By.CSS_SELECTOR, "figure.chart svg rect")
            check("density chart drawn with its band", len(bars) >= 2, f"{len(bars)} rectangles")
            check("no scripts needed", not browser.find_elements(By.TAG_NAME, "script"))
            if options.screenshot:
                browser.set_window_size(1100, 900)
                height = browser.execute_script("return document.body.scrollHeight")
                browser.set_window_size(1100, min(height + 40, 4000))
                browser.save_screenshot(options.screenshot)
            # The browser's pages show the page's own texts: escaped once, decoded once.
            hostile = urllib.parse.quote(f"http://127.0.0.1:{target.server_address[1]}/hostile.html", safe="")
            browser.get(f"{site}report?url={hostile}")
            title = browser.find_element(By.XPATH, "//tr[td[1][starts-with(., '标题')]]/td[3]").text
            check("a title with markup in it shown as the page has it", title == "<b> &copy; 价格", repr(title))
            browser.get(f"{site}report/spider?url={hostile}")
            text = browser.find_element(By.TAG_NAME, "textarea").get_attribute("value")
            check("a text with </textarea> in it shown whole", text == "前文 </textarea> 后文 &lt;", repr(text))
            crawl_the_site(browser, site, f"http://127.0.0.1:{target.server_address[1]}/house.html", check)
            browser.get(site)
            browser.set_window_size(390, 844)
            overflow = browser.execute_script(
                "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
            check("readable at a phone's width", overflow <= 0, f"{overflow} px wider than the screen")
        except Exception as error:  # anything unexpected is a failure, not a crash
            check("setup", False, repr(error))
        finally:
            if browser is not None:
                browser.quit()
            service.kill()
            target.shutdown()
    print("FAILED: " + ", ".join(failures) if failures else "all passed", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
