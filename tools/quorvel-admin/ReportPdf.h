#pragma once
// The report as the PDF the report window exports, drawn without a screen.
#include <string>

#include "panel/Report.h"

namespace quorvel::admin {

// Writes `report` to `path` dated today in its page footers. False with `error` set
// when the file could not be written. Built where the toolkit is (QUORVEL_ADMIN_DRAWS_PDF).
bool WriteReportPdfFile(panel::Report report, const std::string& path, std::string& error);

}  // namespace quorvel::admin
