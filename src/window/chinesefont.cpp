#include "chinesefont.h"

#include <QFont>
#include <QStringList>

void substituteSongTi()
{
    const QStringList serifFaces = {QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    if (QFont::substitutes(QStringLiteral("宋体")).isEmpty())
        QFont::insertSubstitutions(QStringLiteral("宋体"), serifFaces);
}
