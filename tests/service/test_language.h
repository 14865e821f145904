#pragma once

#include "words/language.h"

// The language data takes a moment to load: the tests share it, as the service does.
const seo::Language &test_language();
const seo::LanguageLoader &test_language_loader();
