#pragma once
// How the windows word a download that was not stored, in the interface language.

#include "link/link_engine.h"

#include <QString>

namespace qtx {

class LanguageTable;

// Why the download was not stored, in lower case with its figures ("received 10 bytes of 20").
QString WhyNotStored(const DownloadOutcome& outcome, const LanguageTable& texts);

// The line the link log and the progress window show: "File not saved NAME (why)".
QString NotStoredText(const DownloadOutcome& outcome, const LanguageTable& texts);

} // namespace qtx
