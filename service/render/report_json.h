#pragma once

#include "audit/audit.h"
#include "reports/page_report.h"

#include <optional>
#include <string>
#include <string_view>

namespace seo {

// The report as the JSON answer of GET /api/analyze: every figure the pages show, from
// the same structure (fields: service/README.md).
std::string report_json(std::string_view url, const PageReport &report,
                        const std::optional<KeywordPlacement> &placement, double answer_ms);

// {"error": {"code": ..., "message": ..., "detail": ...}}
std::string error_json(std::string_view code, std::string_view message, std::string_view detail = {});

} // namespace seo
