#pragma once
// The license file as the page shows it: plain text (UTF-8, or Windows-1252
// when not valid UTF-8) or rich text (RTF) with its formatting.

#include <QString>

class QTextDocument;

// Fills `document` with the file's text; false when the file cannot be read.
bool ReadLicenseText(const QString& path, QTextDocument& document);
