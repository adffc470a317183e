// The record page scan: reads the decoded full-record page line by line, runs the row rules
// on the value lines of the labels it finds, and completes the record.
#pragma once

#include <string>

#include "plugin/common.h"

namespace vostrel {

// Scans the page file into `rec`. True when the page had a title row; false when the file does
// not exist or no title row was met (rec may then hold values from rows already read).
bool ParseRecordPage(const std::string& pagePath, TBase& rec = BookRec);

}  // namespace vostrel
