#include "test_language.h"

const seo::LanguageLoader &test_language_loader()
{
    static const seo::LanguageLoader loader;
    return loader;
}

const seo::Language &test_language()
{
    return test_language_loader().get();
}
