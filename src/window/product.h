#pragma once

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

// The version this build is; the update file names the newest one.
inline QString builtInVersion()
{
    return QStringLiteral("9.") + QStringLiteral("1");
}

} // namespace Product
