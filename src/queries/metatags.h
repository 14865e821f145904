#pragma once

#include <QStringList>
#include <QStringView>

// The Title / KeyWords / Description rows cut out of the overview page.
// Slot 0 of both lists is the text in front of the first value, which the window
// keeps out of view; slots 1 to n follow the page's order. Both lists have the
// same length, n + 1, and are empty when the page holds no meta section.
struct MetaTags
{
    QStringList lengths;
    QStringList texts;

    bool isEmpty() const { return lengths.isEmpty(); }
};

MetaTags parseMetaTags(QStringView page);
