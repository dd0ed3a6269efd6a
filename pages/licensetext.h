#pragma once
// The license file as readable text: plain text (UTF-8, or Windows-1252 when
// not valid UTF-8) or rich text (RTF), whose control words are interpreted,
// never shown.

#include <QByteArray>
#include <QString>

QString ReadLicenseText(const QString& path);
QString RtfToText(const QByteArray& rtf);
