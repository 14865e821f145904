// What other sites and search engines read beside the text: Open Graph and JSON-LD.
#include "audit/checks.h"

#include "base/joined.h"

#include <nlohmann/json.hpp>

#include <set>

namespace seo {
namespace {

void json_ld_types(const nlohmann::json &value, std::vector<std::string> &types, int depth = 0)
{
    if (depth > 3)
        return;
    if (value.is_array()) {
        for (const auto &item : value)
            json_ld_types(item, types, depth + 1);
        return;
    }
    if (!value.is_object())
        return;
    if (const auto type = value.find("@type"); type != value.end()) {
        if (type->is_string())
            types.push_back(type->get<std::string>());
        else if (type->is_array())
            for (const auto &name : *type)
                if (name.is_string())
                    types.push_back(name.get<std::string>());
    }
    if (const auto graph = value.find("@graph"); graph != value.end())
        json_ld_types(*graph, types, depth + 1);
}

} // namespace

void check_shared_data(const AuditInput &input, std::vector<Finding> &findings)
{
    const PageContent &content = input.content;
    std::set<std::string> og;
    for (const PageContent::NamedValue &property : content.open_graph)
        if (!property.value.empty())
            og.insert(property.name);
    std::vector<std::string> missing;
    for (const char *name : {"og:title", "og:description", "og:image", "og:url", "og:type"})
        if (!og.contains(name))
            missing.push_back(name);
    if (og.empty())
        findings.push_back(
            finding("shared.open_graph", Verdict::info, "没有 Open Graph 标签",
                    "需要在社交平台上分享时，加上 og:title、og:description、og:image 等标签。"));
    else if (!missing.empty())
        findings.push_back(
            finding("shared.open_graph", Verdict::warn, "缺少 " + joined(missing, "、"),
                    "补全 og:title、og:description、og:image、og:url、og:type，分享卡片才完整。"));
    else
        findings.push_back(finding("shared.open_graph", Verdict::pass, "基本属性齐全"));

    if (content.json_ld.empty()) {
        findings.push_back(
            finding("shared.json_ld", Verdict::info, "没有 JSON-LD 结构化数据",
                    "文章、商品、问答等页面可用 schema.org 的 JSON-LD 帮助搜索引擎展示丰富结果。"));
        return;
    }
    std::vector<std::string> types;
    std::size_t broken = 0, untyped = 0;
    for (const std::string &text : content.json_ld) {
        const nlohmann::json value = nlohmann::json::parse(text, nullptr, false);
        if (value.is_discarded()) {
            ++broken;
            continue;
        }
        const std::size_t before = types.size();
        json_ld_types(value, types);
        untyped += types.size() == before;
    }
    const std::string found =
        number(content.json_ld.size()) + " 段 JSON-LD" + (types.empty() ? "" : "，类型：" + listed(types));
    if (broken > 0)
        findings.push_back(finding(
            "shared.json_ld", Verdict::fail, found + "；其中 " + number(broken) + " 段不是有效的 JSON",
            "修正 JSON 语法（常见的是多余的逗号、未转义的引号），无效的结构化数据会被整段忽略。"));
    else if (untyped > 0)
        findings.push_back(finding("shared.json_ld", Verdict::warn,
                                   found + "；其中 " + number(untyped) + " 段没有 @type",
                                   "每段结构化数据都要用 @type 说明类型。"));
    else
        findings.push_back(finding("shared.json_ld", Verdict::pass, found));
}

} // namespace seo
