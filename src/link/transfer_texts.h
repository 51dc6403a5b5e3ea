#pragma once
// How the windows word a download that was not stored and a port that did not open, in the
// interface language.

#include "link/com_socket.h"
#include "link/link_engine.h"

#include <QString>

namespace qtx {

class LanguageTable;

// Why the download was not stored, in lower case with its figures ("received 10 bytes of 20").
QString WhyNotStored(const DownloadOutcome& outcome, const LanguageTable& texts);

// The line the link log and the progress window show: "File not saved NAME (why)".
QString NotStoredText(const DownloadOutcome& outcome, const LanguageTable& texts);

// Why a port did not open, for the operator, in the interface language: the port, its device,
// the reason and what to do about it. Empty when the port reported no reason.
QString PortFailureText(const QString& name, const TCOMSocket& port, const LanguageTable& texts);

} // namespace qtx
