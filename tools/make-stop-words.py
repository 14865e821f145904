#!/usr/bin/env python3
"""Writes service/data/stop_words.txt: the words the keyword table leaves out.

Usage: tools/make-stop-words.py [JIEBA_DICT]

Chinese: the function words of jieba's lexicon (Debian's python3-jieba, MIT licence),
chosen by part of speech and frequency, with the content words those classes also hold
taken out by hand; then generic verbs, adjectives and quantities, and the words of site
navigation, listed here. English: function words and their contractions, and the words
of web addresses and navigation, listed here. No list from elsewhere is copied.
"""

import sys
from pathlib import Path

DICT = Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/lib/python3/dist-packages/jieba/dict.txt")
OUT = Path(__file__).resolve().parent.parent / "service" / "data" / "stop_words.txt"

# Parts of speech (jieba's tags) whose words are all function words: conjunctions,
# prepositions, particles, modal particles, interjections, onomatopoeia, pronouns.
FUNCTION_CLASSES = {"c", "p", "u", "uj", "ul", "uz", "ud", "ug", "uv", "y", "e", "o", "r", "rr", "rz", "ry", "rg", "mq"}
# Adverbs and locatives are mostly generic, but some of their words are content words.
MIXED_CLASSES = {"d", "f"}
MIN_FREQUENCY = 500
CONTENT_WORDS = set("""
反对 高速 同意 进步 首都 更新 真实 立法 正门 差别 好处 特定 满脸 大将 难度 终身 一幅 比分 首相 大连 进深
较量 忽略 果实 高举 立足 互动 反共 务实 着眼 暂停 高新 自尽 大同 批次 非凡 正直 大自然 大幅 快速 正常 日常
最新 全新 长期 相连 通往 稳步 深刻 到来 被迫 单独 故意 紧紧 重复 自觉 暗中 缓慢 迟疑 向往 赶来 无声 历经
果断 永久 亲近 轻微 擅自 急速 长远 相处 恰当 逐年 随机 自愿 无穷 按时 极度 并肩 常年 趁机 务必 迎面 轻声
南部 东部 西部 中部 北部 北方 南方 沿海 两岸 初中 沿岸 中外 上游 背上 周边 西北部 以北 以南 以东 以西 下游
中方 前期 外部 西南部 东南部 东侧 西侧 中游 北上 南岸 南端 东北部 外来 左侧 背部 南面 底部 前夕 北岸 北面
左边 南侧 北侧 外围 右边 顶端 顶上 侧面 右侧 末期 背面 顶部 下部 沿线 沿江 南下 末端 内部 两侧 脚下 身后
本科 本事 自我 各部 各省 各族 本国 本书 各校 我家 在家 该市 该书 各市 我校 他家 本章 本届 本省 你家 每股
该校 前身 本版 我行 各州 我省 本报 本级 我国 各国 各级 各地 零部件 所有者 接管 接过 总管 可怕 不一 余种
同步 终点 纵深 起步 整齐 紧迫 真相 真心 多元 八角 三角 两会 十一五 五四 八一 万岁 三品 五里 千张 千尺 一品
二路 三路 万尾 万家 一线 一新 一小 一朵 一发 一等 多方 首座 百年 五一
""".split())
# Numerals and quantities lead with one of these; the rest of that class are content words.
QUANTITY_LEADS = "一二两三四五六七八九十百千万亿几多数第半首"
GENERIC = """
使用 需要 可以 能够 可能 应该 必须 进行 包括 提供 支持 成为 认为 表示 出现 发现 开始 继续 希望 允许 获得 得到
没有 具有 存在 作为 属于 采用 利用 实现 完成 进入 看到 知道 觉得 告诉 帮助 包含 含有 选择 就像 像是 这是
那是 就是 还是 比如 例如 譬如 诸如 所有 任何 许多 很多 更多 其他 其它 各种 主要 重要 一般 相关 不同 相同
同样 基本 常见 简单 容易 全部 部分 情况 情况下 方面 方式 的话 的时候 时候 之类 等等 以及 新的 您的 我的 你的
他的 她的 它的 我们的 你们的 他们的 自己的 这样的 那样的 所谓 也是 都是 只是 还有 不会 不能 不要 可是 一直
已经 正在 目前 现在 当前 今天 有关 对应 相应 请 请您 您 您好 谢谢 是否 能否 可否
点击 点击这里 点击此处 单击 双击
""".split()
NAVIGATION = """
上一页 下一页 上一篇 下一篇 上一章 下一章 上一节 下一节 同上 更多 更多内容 返回 返回顶部 返回首页 回到顶部 首页
主页 目录 菜单 导航 网站地图 站点地图 联系我们 关于我们 版权所有 保留所有权利 隐私政策 使用条款 免责声明 帮助
打印 分享 收藏 评论 回复 这里 此处 查看 查看更多 阅读全文 阅读更多 了解更多 详情 详细
跳转 刷新 关闭 确定 取消 提交 发表 登录 注册 退出 搜索 本页 本站 本文 全文 相关链接 友情链接 上页 下页 前往
""".split()
# Units of measure the lexicon holds as nouns (英寸); those it holds as measure words
# (厘米) the keyword table leaves out by their part of speech, with numerals and dates.
UNITS = """
英寸 英尺 英里 英亩 公里 千米 公斤 千克 毫升 公升 平方米 立方米 平方公里 公顷 摄氏度 华氏度 赫兹 千赫 兆赫 千瓦 瓦特
伏特 毫安 毫安时 像素 万像素 分钟 小时 毫秒 纳米 微米 寸 吋
""".split()
ENGLISH = """
about above after again against all almost along already also although always am among an and another any anyone
anything are aren't around as at away be because been before being below between both but by came can can't cannot
come could couldn't did didn't do does doesn't doing don't done down during each either else enough etc even ever
every few for from further get gets getting give given go goes going gone got had hadn't has hasn't have haven't
having he he'd he'll he's her here here's hers herself him himself his how how's however i'd i'll i'm i've if in into
is isn't it it'd it'll it's its itself just keep kept know last less let let's like made make makes many may maybe
me might mine more most much must mustn't my myself need needs neither never new next no nobody none nor not nothing
now of off often on once one only onto or other others ought our ours ourselves out over own per perhaps please put
quite rather really said same say says see seem seems seen shall shan't she she'd she'll she's should shouldn't
since so some somebody someone something sometimes still such take than that that'd that'll that's the their theirs
them themselves then there there'd there'll there's therefore these they they'd they'll they're they've thing things
this those though through thus to together too toward towards two under unless until up upon us use used uses
using usually very via want wants was wasn't way we we'd we'll we're we've well went were weren't what what'll
what's whatever when when's where where's whether which while who who'd who'll who's whom whose why why's will with
within without won't would wouldn't yes yet you you'd you'll you're you've your yours yourself yourselves
e.g i.e vs click clicking clicked
""".split()
# Words of addresses and navigation: left out where they are no topic of the page.
ENGLISH_NAVIGATION = """
www com net org cn http https html htm php asp aspx jsp index home page pages top menu back next prev previous
here read login logout sign copyright rights reserved privacy terms contact
""".split()


def main():
    function_words = []
    for line in DICT.read_text(encoding="utf-8").splitlines():
        word, frequency, tag = line.split()
        if len(word) < 2 or int(frequency) < MIN_FREQUENCY or word in CONTENT_WORDS:
            continue
        if tag in FUNCTION_CLASSES or tag in MIXED_CLASSES or (tag == "m" and word[0] in QUANTITY_LEADS):
            function_words.append(word)
    chinese = sorted(set(function_words) | {w for w in GENERIC if len(w) >= 2})
    navigation = sorted({w for w in NAVIGATION if len(w) >= 2} - set(chinese))
    units = sorted({w for w in UNITS if len(w) >= 2} - set(chinese) - set(navigation))
    english = sorted(set(ENGLISH))
    english_navigation = sorted(set(ENGLISH_NAVIGATION) - set(english))
    with OUT.open("w", encoding="utf-8") as out:
        out.write("# Words the keyword table leaves out: function words, generic verbs, adjectives and\n"
                  "# quantities; after [navigation], the words of site navigation, left out where they\n"
                  "# are navigation (links, menus, buttons) unless the page's title or h1 holds them; after\n"
                  "# [units], units of measure, left out unless the title or h1 holds them. Chinese\n"
                  "# (simplified), then English (case-folded). Written by tools/make-stop-words.py, which\n"
                  "# says how the list is made; edit that.\n")
        out.write("\n".join(chinese + english) + "\n[navigation]\n" + "\n".join(navigation + english_navigation)
                  + "\n[units]\n" + "\n".join(units) + "\n")
    print(f"{OUT}: {len(chinese)} + {len(navigation)} + {len(units)} Chinese and {len(english)} + {len(english_navigation)} English words")


if __name__ == "__main__":
    main()
