"""Pages laid out the way Chinese sites lay them out: shops, product pages, buyers' reviews,
news, company pages, forum threads, blogs, poems, manual pages, and pages whose subject is
a word that is usually navigation (菜单, 搜索, 导航, 注册, 打印, 收藏, php, 目录).

Every page has a top bar, a search box, a breadcrumb, a <nav> menu, a pager and a footer.
Whatever is site furniture rather than the page's own text (those, sidebars, per-review
and per-post buttons, post headers, signatures, badges) is wrapped in <!--chrome-->
comments, so that the main content alone is main_only(page). Pages are the same for the
same seed.
"""

import html
import random
import re
from dataclasses import dataclass, field

import chinese_prose
import page_texts

KINDS = ["shop", "product", "review", "news", "company", "forum", "blog", "poem", "manual", "topic"]
CHROME_OPEN, CHROME_CLOSE = "<!--chrome-->", "<!--/chrome-->"
# The labels of site furniture: links, buttons and headings that every page of a site repeats.
CHROME_LABELS = """登录 注册 我的订单 收藏夹 购物车 手机版 网站导航 搜索 热门搜索 首页 上一页 下一页 尾页 跳转 关于我们 联系我们
隐私政策 免责声明 网站地图 返回顶部 版权所有 有用 回复 举报 引用 楼主 沙发 板凳 地板 发表于 只看该作者 支持 反对 分享到
打印 关闭 纠错 字号 责任编辑 来源 评论 阅读 上一篇 下一篇 复制 赏析 朗读 加入购物车 立即购买 关注 正品行货 全国联保
顺丰包邮 七天无理由退货 在线客服 帮助中心 全部评价 晒图 追评 好评 中评 差评 猜你喜欢 热销排行 相关新闻 热点排行 相关命令
热门命令 文章分类 最新文章 标签 归档 博主 积分 帖子 等级 发表回复 查看 收藏 博文目录 个人资料 会员中心 客户服务 售后保障
规格参数 商品介绍 商品评价 服务 热门 客服 帮助 订单 导航 地图 顶部 返回 隐私 政策 免责 声明 正品 行货 联保 包邮 顺丰
退货 购买 加入 立即 分享 相关 排行 热销 最新 分类 文章 名句 会员 中心 个人 资料 网站 联系 作者 评价 颜色 官方旗舰店
旗舰店 官方 中级会员 新手上路 版主 欢迎 来到""".split()


def chrome(fragment):
    return CHROME_OPEN + fragment + CHROME_CLOSE


def main_only(page):
    """The page without its furniture; furniture may hold furniture (a sidebar of product cards)."""
    kept, depth = [], 0
    for part in re.split(f"({re.escape(CHROME_OPEN)}|{re.escape(CHROME_CLOSE)})", page):
        if part == CHROME_OPEN:
            depth += 1
        elif part == CHROME_CLOSE:
            depth -= 1
        elif depth == 0:
            kept.append(part)
    return "".join(kept)


@dataclass
class Page:
    kind: str
    html: str
    topic: str = ""  # the word a topic page is about
    models: list = field(default_factory=list)  # words a buyer searches a product page's product by
    source: str = ""


e = html.escape
NAMES = ["张明", "李华", "王芳", "刘洋", "陈静", "赵磊", "孙丽", "周涛", "吴昊", "郑爽", "黄伟", "徐婷", "马骏", "朱琳"]
USERS = ["linux小白", "老王爱折腾", "debian_fan", "键盘侠007", "云淡风轻", "码农阿强", "tux企鹅", "海边的风", "一杯清茶",
         "北京老李", "小鱼儿", "夜猫子", "山那边", "阿土伯", "路过的程序员", "星空下的猫"]
SIGNATURES = ["人生苦短，我用 Python", "代码改变世界", "好好学习，天天向上", "Talk is cheap. Show me the code.",
              "宁静致远", "路漫漫其修远兮，吾将上下而求索", "开源让世界更美好"]
CITIES = ["北京", "上海", "杭州", "深圳", "成都", "南京", "武汉", "西安"]
MONTHS = "一二三四五六七八九十"


def icp(rng):
    return f"京ICP备{rng.randint(10000000, 29999999)}号-{rng.randint(1, 3)}"


def date(rng, style=None):
    y, m, d = rng.choice([2023, 2024]), rng.randint(1, 12), rng.randint(1, 28)
    style = style if style is not None else rng.randrange(3)
    if style == 0:
        return f"{y}年{m}月{d}日"
    if style == 1:
        return f"{y}-{m:02}-{d:02} {rng.randint(7, 23):02}:{rng.randint(0, 59):02}"
    return f"{MONTHS[m - 1] if m <= 10 else '十' + MONTHS[m - 11]}月{d}日"


def frame(rng, site, title, crumbs, nav, main, side="", keywords="", hot=()):
    top = chrome(f'<div class="topbar"><span>您好，欢迎来到{e(site)}！</span> <a href="/login">登录</a> '
                 '<a href="/register">注册</a> <a href="/order">我的订单</a> <a href="/favorite">收藏夹</a> '
                 '<a href="/cart">购物车</a> <a href="/m">手机版</a> <a href="/sitemap">网站导航</a></div>')
    hot_links = "".join(f' <a href="/search?q={e(h)}">{e(h)}</a>' for h in hot)
    header = chrome(f'<div class="header"><a class="logo" href="/">{e(site)}</a>'
                    '<form class="search" action="/search"><input type="text" name="q" placeholder="请输入关键词">'
                    f'<button type="submit">搜索</button></form>'
                    + (f'<p class="hot">热门搜索：{hot_links}</p>' if hot else "") + "</div>")
    menu = chrome("<nav><ul>" + "".join(f'<li><a href="/c/{i}">{e(x)}</a></li>' for i, x in enumerate(nav)) +
                  "</ul></nav>")
    crumb = chrome('<div class="crumb"><a href="/">首页</a> &gt; ' +
                   " &gt; ".join(f'<a href="/c/{e(c)}">{e(c)}</a>' for c in crumbs) + "</div>")
    last = rng.randint(5, 40)
    pager = chrome('<div class="pager"><a href="?p=0">上一页</a> <a href="?p=1">1</a> <a href="?p=2">2</a> '
                   f'<a href="?p=3">3</a> <span>…</span> <a href="?p={last}">{last}</a> <a href="?p=2">下一页</a></div>')
    footer = chrome('<footer><p><a href="/about">关于我们</a> | <a href="/contact">联系我们</a> | '
                    '<a href="/privacy">隐私政策</a> | <a href="/disclaimer">免责声明</a> | <a href="/sitemap">网站地图</a>'
                    f' | <a href="#top">返回顶部</a></p><p>© 2024 {e(site)} 版权所有 {icp(rng)}</p></footer>')
    return (f'<!DOCTYPE html><html lang="zh-CN"><head><meta charset="utf-8"><title>{e(title)}</title>'
            f'<meta name="keywords" content="{e(keywords)}"></head><body>{top}{header}{menu}{crumb}'
            f'<div class="wrap"><div class="main">{main}</div>{side}</div>{pager}{footer}</body></html>')


def paragraphs(texts):
    return "".join(f"<p>{e(t)}</p>" for t in texts)


# Shops

SHOPS = ["优品商城", "京选商城", "易购数码", "乐享商城", "星河电器城"]
SHOP_NAV = ["首页", "手机", "电脑办公", "家用电器", "数码", "运动户外", "服饰", "美妆", "食品生鲜", "图书", "秒杀", "优惠券"]
HOT = ["手机", "笔记本", "耳机", "电视", "5G手机", "游戏机", "充电器"]
BADGES = "正品行货 全国联保 顺丰包邮"
TABS = ('<ul class="tabs">' + "".join(f'<li><a href="#{anchor}">{tab}</a></li>' for anchor, tab in (
    ("intro", "商品介绍"), ("spec", "规格参数"), ("service", "售后保障"), ("comment", "商品评价"))) + "</ul>")


def product_name(product, variant):
    return f'{product["brand"]} {product["model"]} {variant} {product["kind"]}'


def fill(rng, text, product):
    names = [product["model"], product["prose"] + product["model"], product["prose"] + " " + product["model"]]
    return text.format(n=rng.choice(names), b=product["prose"], k=product["kind"])


def price_of(rng, product):
    return product["price"] + rng.choice([0, 0, -100, 100, 200]) if product["price"] > 1000 else product["price"]


def card(rng, product):
    variant = rng.choice(product["variants"])
    return (f'<li><a class="name" href="/item/{product["key"]}">{e(product_name(product, variant))}</a> '
            f'<span class="price">￥{price_of(rng, product)}.00</span>'
            + chrome(f'<span class="badges">{BADGES}</span> <span class="comments">{rng.randint(1, 50)}万+条评价</span> '
                     f'<span class="shop">{e(product["prose"])}官方旗舰店</span> <a href="/cart/add">加入购物车</a>')
            + "</li>")


def shop_side(rng, exclude):
    others = [p for p in page_texts.PRODUCTS if p["key"] != exclude]
    return chrome('<aside><h3>猜你喜欢</h3><ul>' + "".join(card(rng, p) for p in rng.sample(others, 5)) +
                  "</ul></aside>")


def product_page(rng, product):
    site = rng.choice(SHOPS)
    variant = rng.choice(product["variants"])
    name = product_name(product, variant)
    points = [fill(rng, t, product) for t in product["points"]]
    points += [fill(rng, t, product) for t in rng.sample(page_texts.GROUP_POINTS[product["group"]], 2)]
    rng.shuffle(points)
    price = price_of(rng, product)
    main = (f"<h1>{e(name)}</h1>"
            f'<div class="price">售价 <b>￥{price}.00</b> 促销：满{price // 10 * 5}减{price // 100 * 3}</div>'
            f'<p class="choose">可选版本：{e("、".join(product["variants"]))}</p>'
            + chrome(f'<div class="service">服务：{BADGES} 七天无理由退货</div>'
                     '<div class="buy"><a href="/cart/add">加入购物车</a> <a href="/buy">立即购买</a> '
                     '<a href="/follow">关注</a></div>' + TABS)
            + "<h2>规格参数</h2><table>" +
            "".join(f"<tr><th>{e(k)}</th><td>{e(v)}</td></tr>" for k, v in product["specs"]) + "</table>"
            "<h2>商品介绍</h2>" + paragraphs(points) +
            f'<h2>包装清单</h2><p>{e(product["model"])}主机×1、数据线×1、快速入门指南×1、保修卡×1</p>'
            + chrome("<h2>售后保障</h2><p>本商品全国联保，享受三包服务，质保期内非人为损坏免费维修。</p>"))
    page = frame(rng, site, f"{name} - {site}", product["path"], SHOP_NAV, main, shop_side(rng, product["key"]),
                 keywords=f'{product["prose"]}{product["model"]},{product["kind"]}', hot=rng.sample(HOT, 4))
    return Page("product", page, models=product["models"], source=product["key"])


SHOP_CATEGORIES = [("手机", ["mate60", "iphone15", "reno11"]), ("电脑办公", ["thinkpad", "ax3000", "mx3s", "anker65"]),
                   ("影音娱乐", ["xm5", "ps5", "x65", "mp3", "switch"]), ("摄影摄像", ["mini4", "r6", "mate60"]),
                   ("热销榜", [p["key"] for p in page_texts.PRODUCTS])]


def shop_page(rng, category, keys):
    site = rng.choice(SHOPS)
    products = [p for p in page_texts.PRODUCTS if p["key"] in keys]
    brands = "、".join(dict.fromkeys(p["prose"] for p in products))
    guide = [fill(rng, rng.choice(p["points"]), p) for p in rng.sample(products, min(3, len(products)))]
    groups = dict.fromkeys(p["group"] for p in products)
    guide += [fill(rng, rng.choice(page_texts.GROUP_POINTS[g]), next(p for p in products if p["group"] == g))
              for g in groups]
    main = (f"<h1>{e(category)}</h1><p>{e(site)}{e(category)}频道汇集{e(brands)}等品牌的热门商品，以下按本周销量排序。</p>"
            + chrome(f'<div class="filter"><p>品牌：{e(brands)}</p><p>价格：0-999 1000-2999 3000-4999 5000以上</p>'
                     "<p>排序：综合 销量 价格 评论数 新品</p></div>")
            + '<ul class="goods">' + "".join(card(rng, rng.choice(products)) for _ in range(rng.randint(14, 20)))
            + f"</ul><h2>{e(category)}选购指南</h2>" + paragraphs(guide))
    page = frame(rng, site, f"{category}价格_{category}报价大全 - {site}", [category], SHOP_NAV, main,
                 shop_side(rng, ""), keywords=f"{category},{brands}", hot=rng.sample(HOT, 4))
    return Page("shop", page, source=category)


def review_page(rng, product):
    site = rng.choice(SHOPS)
    variant = rng.choice(product["variants"])
    name = product_name(product, variant)
    pool = page_texts.REVIEWS + page_texts.GROUP_REVIEWS[product["group"]] * 2
    reviews = []
    for _ in range(rng.randint(12, 20)):
        text = "".join(rng.sample(pool, rng.randint(1, 3)))
        user = rng.choice("abcdefghjkmnpqrstwxyz") + "***" + str(rng.randint(0, 9))
        stars = "★" * rng.choice([5, 5, 5, 4, 3])
        item = chrome(f'<p class="who">{user} <span class="star">{stars}</span> '
                      f'<span>颜色：{e(rng.choice(product["variants"]))}</span> <span>{date(rng)}</span></p>')
        item += f"<p>{e(text)}</p>"
        if rng.random() < 0.2:
            item += f"<p>{e(rng.choice(page_texts.FOLLOW_UPS))}</p>"
        if rng.random() < 0.3:
            item += f"<p>{e(rng.choice(page_texts.SELLER_REPLIES))}</p>"
        item += chrome(f'<p class="act"><a href="#">有用({rng.randint(0, 30)})</a> <a href="#">回复</a> '
                       '<a href="#">举报</a></p>')
        reviews.append(f'<div class="review">{item}</div>')
    tags = ["外观漂亮", "运行流畅", "物流很快", "性价比高", "做工精致", "续航持久"]
    main = (f"<h1>{e(name)}</h1><p>售价 ￥{price_of(rng, product)}.00</p>"
            + chrome(TABS +
                     f'<p>好评度 {rng.randint(93, 99)}%</p><p>' +
                     " ".join(f"{t}({rng.randint(10, 900)})" for t in rng.sample(tags, 4)) +
                     "</p><p>" + " ".join(f'<a href="?filter={i}">{t}</a>' for i, t in
                              enumerate(["全部评价", "晒图", "追评", "好评", "中评", "差评"])) + "</p>")
            + "".join(reviews))
    page = frame(rng, site, f"{name}【评价 口碑】 - {site}", product["path"], SHOP_NAV, main,
                 shop_side(rng, product["key"]), keywords=f'{product["prose"]}{product["model"]}评价',
                 hot=rng.sample(HOT, 4))
    return Page("review", page, source=product["key"])


# News, companies, forums, blogs, poems and manual pages, with Debian's Chinese prose for their text.

PAPERS = ["华夏新闻网", "江南日报", "北方科技报", "东方时报"]
NEWS_NAV = ["首页", "时政", "国际", "财经", "科技", "教育", "社会", "体育", "文化", "评论", "图片", "视频"]
HEADLINES = ["关注开源软件：{h}", "记者手记｜{h}", "专家解读：{h}", "开源社区一线观察：{h}"]


def section_run(rng, source, count):
    """Consecutive sections of one document, for a text that holds together."""
    found = chinese_prose.sections(source)
    start = rng.randrange(len(found))
    run = found[start:start + count]
    return run if sum(len(p) for _, p in run) >= 3 else found[start:start + count + 4]


def news_page(rng):
    paper = rng.choice(PAPERS)
    source = rng.choice(["faq", "reference", "edu"])
    run = section_run(rng, source, 2)
    heading = run[0][0]
    reporter, editor, expert = rng.sample(NAMES, 3)
    m, d = rng.randint(1, 12), rng.randint(1, 28)
    dateline = rng.choice([f"本报北京{m}月{d}日电（记者 {reporter}）", f"本报讯（记者 {reporter} 通讯员 {expert}）"])
    lead = f"{dateline}近日，记者走访了多位开源软件开发者和高校计算机教师，就“{heading}”等问题进行了采访。"
    body = [lead]
    for i, (_, texts) in enumerate(run):
        for j, text in enumerate(texts[:4]):
            if i == 0 and j == 1:
                text = f"“{text}”{expert}介绍说。"
            body.append(text)
    body.append("据了解，相关资料均可在网上免费获取，感兴趣的读者可以自行查阅。")
    title = rng.choice(HEADLINES).format(h=heading)
    related = [h for h, _ in rng.sample(chinese_prose.sections(source), 8)]
    main = (f"<h1>{e(title)}</h1>"
            + chrome(f'<p class="meta">{date(rng, 0)} {rng.randint(6, 22):02}:{rng.randint(0, 59):02} 来源：{e(paper)} '
                     f"作者：{reporter} 【字号 大 中 小】 【打印】 【关闭】 【纠错】</p>")
            + paragraphs(body)
            + chrome(f'<p class="editor">（责任编辑：{editor}）</p><p class="share">分享到：微信 微博 QQ空间</p>'))
    side = chrome("<aside><h3>相关新闻</h3><ul>" + "".join(f"<li>{e(r)}</li>" for r in related[:4]) +
                  "</ul><h3>热点排行</h3><ol>" + "".join(f"<li>{e(r)}</li>" for r in related[4:]) + "</ol></aside>")
    page = frame(rng, paper, f"{title}--{paper}", ["科技", "正文"], NEWS_NAV, main, side)
    return Page("news", page, source=f"{source}: {heading}")


COMPANY_TRADES = {
    "edu": ("教育科技有限公司", "教育信息化", "中小学和职业院校", "校园网络规划、机房建设和开源教学平台部署"),
    "reference": ("信息技术有限公司", "Linux服务器运维", "企业和政府单位", "服务器部署、系统运维和数据备份"),
    "maint": ("软件有限公司", "开源软件定制开发", "软件企业和研究机构", "软件打包、发行版定制和持续集成"),
}
COMPANY_NAV = ["网站首页", "关于我们", "产品中心", "解决方案", "成功案例", "新闻动态", "人才招聘", "联系我们"]
FIRMS = ["启明", "云帆", "博远", "恒信", "拓维", "智源", "远航", "星联"]


def company_page(rng):
    source = rng.choice(list(COMPANY_TRADES))
    trade, business, clients, service = COMPANY_TRADES[source]
    city = rng.choice(CITIES)
    company = f"{city}{rng.choice(FIRMS)}{trade}"
    year = rng.randint(2003, 2016)
    intro = [f"{company}成立于{year}年，注册资本{rng.choice([500, 1000, 2000, 5000])}万元，总部位于{city}，"
             f"是一家专注于{business}的国家高新技术企业。",
             f"公司现有员工{rng.randint(40, 400)}余人，其中研发人员占比超过{rng.randint(40, 70)}%，"
             f"拥有软件著作权{rng.randint(10, 80)}项、发明专利{rng.randint(2, 15)}项。",
             f"多年来，公司始终坚持“{rng.choice(['客户至上，诚信为本', '专业专注，合作共赢', '技术立企，服务兴业'])}”的经营理念，"
             f"为{clients}提供{service}等服务。"]
    services = [p for _, texts in section_run(rng, source, 3) for p in texts[:2]][:5]
    history = [f"{year}年，公司在{city}成立。", f"{year + 2}年，通过ISO9001质量管理体系认证。",
               f"{year + 5}年，被认定为国家高新技术企业。", f"{year + 7}年，服务客户超过一千家。"]
    main = ("<h1>关于我们</h1><h2>公司简介</h2>" + paragraphs(intro) + f"<h2>{e(business)}服务</h2>" +
            paragraphs(services) + "<h2>企业文化</h2><p>使命：让技术创造价值。愿景：成为值得信赖的技术服务伙伴。"
            "价值观：诚信、专业、创新、共赢。</p><h2>发展历程</h2><ul>" +
            "".join(f"<li>{e(h)}</li>" for h in history) + "</ul>")
    side = chrome(f'<aside><h3>联系我们</h3><p>{e(company)}</p>'
                  f'<p>电话：400-{rng.randint(100, 999)}-{rng.randint(1000, 9999)}</p>'
                  f"<p>地址：{city}市高新区科技路{rng.randint(1, 200)}号</p><p>邮箱：service@example.com</p>"
                  "<h3>产品中心</h3><ul><li>解决方案</li><li>成功案例</li><li>技术支持</li></ul></aside>")
    page = frame(rng, company, f"关于我们-{company}", ["关于我们"], COMPANY_NAV, main, side)
    return Page("company", page, source=f"{source}: {company}")


FORUMS = ["蓝点Linux论坛", "开源中国社区", "企鹅之家论坛", "Debian中文论坛"]
FORUM_NAV = ["首页", "论坛", "新帖", "精华", "新手区", "系统管理", "软件打包", "水区", "排行榜", "帮助"]
FLOORS = ["楼主", "沙发", "板凳", "地板"]
SHORT_REPLIES = ["顶一下！", "同问，楼主解决了吗？", "谢谢楼主分享，学习了。", "mark一下，收藏了。", "楼上说得对。",
                 "我也遇到过这个问题，后来重装就好了。", "好帖，必须支持！", "路过，帮顶。"]


def forum_page(rng):
    site = rng.choice(FORUMS)
    source = rng.choice(["faq", "reference", "maint"])
    run = section_run(rng, source, 2)
    heading = run[0][0].rstrip("？?。")
    answers = [p for _, texts in run for p in texts[:3]]
    question = (f"各位大侠好，最近在学习 Debian，遇到一个问题：{heading}？在网上搜了很久也没找到满意的答案，"
                "求指点，先谢谢了！")
    posts = [question]
    for answer in answers:
        posts.append(answer)
        if rng.random() < 0.5:
            posts.append(rng.choice(SHORT_REPLIES))
    posts.append("问题已解决，感谢各位的耐心解答！")
    users = rng.sample(USERS, 6)
    items = []
    for floor, text in enumerate(posts):
        user = users[0] if floor == 0 or floor == len(posts) - 1 else rng.choice(users[1:])
        label = FLOORS[floor] if floor < len(FLOORS) else f"{floor + 1}#"
        head = chrome(f'<div class="user"><b>{e(user)}</b> <span>等级：{rng.choice(["新手上路", "中级会员", "版主"])}</span> '
                      f"<span>积分 {rng.randint(10, 9000)}</span> <span>帖子 {rng.randint(1, 900)}</span></div>"
                      f'<p class="floor">{label} 发表于 {date(rng, 1)} 只看该作者</p>')
        quote = ""
        if floor > 1 and rng.random() < 0.3:
            quote = (chrome(f"<p>引用 {floor}# 的帖子：</p>") +
                     f"<blockquote>{e(posts[floor - 1][:60])}……</blockquote>")
        tail = chrome(f'<p class="sign">{e(rng.choice(SIGNATURES))}</p>'
                      '<p class="act"><a>引用</a> <a>回复</a> <a>举报</a> <a>支持</a> <a>反对</a></p>')
        items.append(f'<div class="post">{head}{quote}<p>{e(text)}</p>{tail}</div>')
    title = rng.choice(["[求助] ", "请教：", "【讨论】"]) + heading
    main = (f"<h1>{e(title)}</h1>" + chrome(f"<p>查看: {rng.randint(200, 9000)} | 回复: {len(posts) - 1}</p>")
            + "".join(items)
            + chrome('<div class="reply"><p>发表回复</p><p>您需要<a href="/login">登录</a>后才可以回帖 '
                     '<a href="/login">登录</a> | <a href="/register">注册</a></p></div>'))
    page = frame(rng, site, f"{title} - {site}", ["论坛", "新手区"], FORUM_NAV, main)
    return Page("forum", page, source=f"{source}: {heading}")


BLOGS = ["阿木的博客", "一杯清茶的小屋", "山那边的笔记", "夜读书斋"]
BLOG_NAV = ["首页", "博文目录", "图片", "关于我"]


def blog_side(rng, site, titles):
    return chrome(f'<aside><h3>博主</h3><p>{e(site)}</p><p>访问：{rng.randint(1000, 900000)} 积分：{rng.randint(100, 9000)}</p>'
                  "<h3>文章分类</h3><ul><li>读诗(12)</li><li>Linux(30)</li><li>生活随笔(8)</li></ul>"
                  "<h3>最新文章</h3><ul>" + "".join(f"<li>{e(t)}</li>" for t in titles) + "</ul>"
                  "<h3>归档</h3><ul><li>2024年5月(3)</li><li>2024年4月(6)</li></ul></aside>")


def blog_comments(rng, texts):
    items = []
    for text in texts:
        items.append(chrome(f'<p class="who">{e(rng.choice(USERS))} {date(rng, 1)}</p>') + f"<p>{e(text)}</p>" +
                     chrome('<p class="act"><a>回复</a> <a>举报</a></p>'))
    return chrome(f"<h3>评论（{len(texts)}）</h3>") + "".join(items)


def blog_page(rng):
    site = rng.choice(BLOGS)
    if rng.random() < 0.5:
        found = [p for p in chinese_prose.poems() if p[0] == rng.choice("唐宋")]
        start = rng.randrange(len(found) - 3)
        chosen = found[start:start + rng.randint(2, 3)]
        author = chosen[0][2]
        title = f"读{author}{chosen[0][1]}"
        body = [f"今天翻书，读到{author}的{chosen[0][1]}，忍不住抄下来，和大家一起欣赏。"]
        content = paragraphs(body)
        for dynasty, name, poet, lines in chosen:
            content += (f"<h3>{e(name)} {dynasty}·{e(poet)}</h3>"
                        f"<blockquote>{'<br>'.join(e(x) for x in lines)}</blockquote>")
            content += paragraphs([f"这首{name}读来意味深长，{poet}把眼前的景物和心中的感受写在一起，每次读都有新的体会。"])
        comments = ["写得真好，收藏了！", f"喜欢{author}的诗。", "博主的文笔很好，学习了。"]
        source = f"poems: {author}"
    else:
        source_name = rng.choice(["reference", "maint"])
        run = section_run(rng, source_name, 2)
        title = f"Debian 学习笔记：{run[0][0]}"
        content = paragraphs([f"最近在折腾 Debian，把“{run[0][0]}”相关的内容整理一下，方便以后查阅。"])
        for heading, texts in run:
            content += f"<h2>{e(heading)}</h2>" + paragraphs(texts[:4])
        content += paragraphs(["以上就是今天的笔记，如果有写得不对的地方，欢迎在评论区指出。"])
        comments = ["整理得很清楚，感谢分享！", "正好遇到这个问题，学习了。"]
        source = f"{source_name}: {run[0][0]}"
    main = (f"<h1>{e(title)}</h1>" + chrome(f'<p class="meta">发表于 {date(rng, 1)} | 分类：随笔 | 阅读({rng.randint(10, 9999)}) '
                                             f'<a href="#comments">评论({len(comments)})</a></p>')
            + content + chrome('<p>标签：<a href="/tag/1">读书</a> <a href="/tag/2">Debian</a></p>'
                             '<p>上一篇：<a href="/p/1">随便写写</a> 下一篇：<a href="/p/2">周末记事</a></p>')
            + blog_comments(rng, comments))
    page = frame(rng, site, f"{title}_{site}", ["博文"], BLOG_NAV, main, blog_side(rng, site, ["周末记事", "随便写写"]))
    return Page("blog", page, source=source)


POEM_SITES = ["古诗文网", "诗词名句网", "唐诗宋词鉴赏"]
POEM_NAV = ["首页", "推荐", "诗文", "名句", "作者", "古籍", "诗词大全"]


def poem_page(rng):
    site = rng.choice(POEM_SITES)
    found = chinese_prose.poems()
    start = rng.randrange(len(found) - 8)
    dynasty, _, author, _ = found[start]
    chosen = [p for p in found if p[2] == author][:8]
    if len(chosen) >= 3:  # a poet's page
        title = f"{author}的诗词全集、诗集（{len(chosen)}首）"
        intro = f"{author}，{dynasty}代诗人。本页收录{author}的诗作{len(chosen)}首，按原书次序排列。"
        crumbs = ["作者", author]
    else:  # a page of an anthology
        chosen = found[start:start + rng.randint(5, 8)]
        title = f"{dynasty}诗精选（第{start // 8 + 1}页）"
        intro = f"本页收录{dynasty}代诗人{'、'.join(dict.fromkeys(p[2] for p in chosen))}的诗作{len(chosen)}首。"
        crumbs = ["诗文", f"{dynasty}诗"]
    main = f"<h1>{e(title)}</h1><p>{e(intro)}</p>"
    for d, name, poet, lines in chosen:
        main += (f"<h2>{e(name)}</h2><p>{d}代·{e(poet)}</p><p>{'<br>'.join(e(x) for x in lines)}</p>"
                 + chrome('<p class="act"><a>收藏</a> <a>赏析</a> <a>朗读</a> <a>复制</a> <a>纠错</a></p>'))
    famous = [rng.choice(p[3]) for p in rng.sample(found, 6)]
    side = chrome("<aside><h3>名句</h3><ul>" + "".join(f"<li>{e(f)}</li>" for f in famous) + "</ul><h3>作者</h3><p>" +
                  " ".join(dict.fromkeys(p[2] for p in rng.sample(found, 10))) + "</p></aside>")
    page = frame(rng, site, f"{title}_{site}", crumbs, POEM_NAV, main, side)
    return Page("poem", page, source=f"poems: {author}")


MANUAL_SITES = ["Linux命令大全", "Linux学习网", "命令手册中文站"]
MANUAL_NAV = ["首页", "命令大全", "教程", "Shell", "运维", "问答", "下载"]


def manual_page(rng, manual):
    site = rng.choice(MANUAL_SITES)
    command, section, summary, body = manual
    title = f"{command}命令 - {summary}"
    related = rng.sample(chinese_prose.manuals(), 6)
    side = chrome("<aside><h3>相关命令</h3><ul>" + "".join(f"<li>{e(m[0])} - {e(m[2])}</li>" for m in related) +
                  "</ul><h3>热门命令</h3><p>ls cd find grep tar chmod</p></aside>")
    main = f"<h1>{e(title)}</h1>" + body
    page = frame(rng, site, f"{command}命令_Linux {command} 命令用法详解 - {site}", ["命令大全", f"man{section}"],
                 MANUAL_NAV, main, side)
    return Page("manual", page, source=f"{command}({section})")


def topic_page(rng, topic):
    layout = topic["layout"]
    site = topic["site"]
    main = f'<h1>{e(topic["h1"].format(s=site))}</h1>' + paragraphs(t.format(s=site) for t in topic["lead"])
    notes = rng.sample(topic["notes"], rng.randint(3, len(topic["notes"])))
    sections = list(topic["sections"])
    for i, (heading, items) in enumerate(sections):
        main += f"<h2>{e(heading)}</h2>"
        if layout == "company":  # a menu of dishes or a list of steps
            main += "<ul>" + "".join(f"<li>{e(x)}</li>" for x in items) + "</ul>"
        else:
            main += paragraphs(items)
        if i < len(notes):
            main += paragraphs([notes[i]])
    main += paragraphs(notes[len(sections):])
    navs = {"company": COMPANY_NAV, "blog": BLOG_NAV, "product": SHOP_NAV, "manual": MANUAL_NAV}
    if layout == "blog":
        main += blog_comments(rng, ["写得真好，收藏了！", "学习了，谢谢分享。"])
        side = blog_side(rng, site, ["周末记事", "随便写写"])
    elif layout == "product":
        main += chrome(f'<div class="service">服务：{BADGES}</div><div class="buy"><a>加入购物车</a> <a>立即购买</a></div>')
        side = shop_side(rng, "")
    elif layout == "manual":
        side = chrome("<aside><h3>相关命令</h3><p>ls cd find grep tar chmod</p><h3>热门教程</h3>"
                      "<p>Python 教程 HTML 教程 MySQL 教程</p></aside>")
    else:
        side = chrome(f"<aside><h3>联系我们</h3><p>{e(site)}</p><p>电话：028-{rng.randint(10000000, 99999999)}</p></aside>")
    page = frame(rng, site, topic["title"].format(s=site), topic["crumbs"], navs[layout], main, side)
    return Page("topic", page, topic=topic["word"], source=topic["word"])


def build(kind, index):
    """The page `index` of one kind; the same every time."""
    rng = random.Random(f"{kind}:{index}")
    products = page_texts.PRODUCTS
    if kind == "product":
        return product_page(rng, products[index % len(products)])
    if kind == "review":
        return review_page(rng, products[(index * 7 + 3) % len(products)])
    if kind == "shop":
        return shop_page(rng, *SHOP_CATEGORIES[index % len(SHOP_CATEGORIES)])
    if kind == "topic":
        return topic_page(rng, page_texts.TOPICS[index % len(page_texts.TOPICS)])
    if kind == "manual":
        manuals = chinese_prose.manuals()
        return manual_page(rng, manuals[(index * 37) % len(manuals)])
    return {"news": news_page, "company": company_page, "forum": forum_page, "blog": blog_page,
            "poem": poem_page}[kind](rng)
