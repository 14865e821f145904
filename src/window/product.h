#pragma once

#include <contract/site_contract.h>

#include <QString>

// The product's own name and texts, as the window and its message boxes show them.
namespace Product {

inline QString applicationTitle()
{
    return QStringLiteral("网站优化分析助手");
}

inline QString windowCaption()
{
    return QStringLiteral("网站优化分析助手 6.0 —— 维尔特软件工作室 http://www.veltro.example "
                          "联系电话：400-000-0000");
}

// The version the update check compares with the update file's first line.
inline QString builtInVersion()
{
    return QString::fromLatin1(site_contract::kToolVersion.data(),
                               qsizetype(site_contract::kToolVersion.size()));
}

} // namespace Product
