#include "test_segmenter.h"

const seo::Segmenter &test_segmenter()
{
    static const seo::Segmenter segmenter(seo::default_friso_ini());
    return segmenter;
}
