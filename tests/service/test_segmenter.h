#pragma once

#include "site/segmenter.h"

// The lexicon takes a moment to load: the tests share one, as the service does.
const seo::Segmenter &test_segmenter();
