#include "literals.h"

#include <contract/site_contract.h>

#include <gtest/gtest.h>

namespace {

namespace c = site_contract;

TEST(SiteContract, MatchesTheTextsWrittenOutByHand)
{
    const std::pair<std::string_view, std::string_view> pairs[] = {
        {c::kOverviewPath, literal::kOverviewPath},
        {c::kOverviewAddressKey, literal::kOverviewKey},
        {c::kSpiderPath, literal::kSpiderPath},
        {c::kSpiderAddressKey, literal::kAddressKey},
        {c::kDensityPath, literal::kDensityPath},
        {c::kDensityKeywordKey, literal::kKeywordKey},
        {c::kDensityAddressKey, literal::kAddressKey},
        {c::kVersionFilePath, literal::kVersionFilePath},
        {c::kHomePagePath, literal::kHomePagePath},
        {c::meta::kSectionStart, literal::kMetaStart},
        {c::meta::kSectionEnd, literal::kMetaEnd},
        {c::meta::kLengthStart, literal::kLengthStart},
        {c::meta::kLengthEnd, literal::kLengthEnd},
        {c::meta::kTextStart, literal::kTagTextStart},
        {c::meta::kTextEnd, literal::kTagTextEnd},
        {c::keywords::kTableStart, literal::kKeywordTableStart},
        {c::keywords::kTableEnd, literal::kTableEnd},
        {c::keywords::kRowStart, literal::kRowStart},
        {c::keywords::kRowEnd, literal::kRowEnd},
        {c::keywords::kCellStart, literal::kCellStart},
        {c::keywords::kCellEnd, literal::kCellEnd},
        {c::spider::kTextStart, literal::kSpiderStart},
        {c::spider::kTextEnd, literal::kSpiderEnd},
        {c::spider::kSiteFailure, literal::kSiteFailure},
        {c::density::kSectionStart, literal::kDensityStart},
        {c::density::kSectionEnd, literal::kDensityEnd},
        {c::density::kSeparator, literal::kDensitySeparator},
        {c::density::kValueEnd, literal::kDensityValueEnd},
        {c::kVersionLineEnd, literal::kVersionLineEnd},
    };
    for (const auto &[shared, written] : pairs)
        EXPECT_EQ(shared, written);
}

} // namespace
