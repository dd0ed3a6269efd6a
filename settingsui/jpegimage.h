#pragma once
// JPEG pictures through libjpeg's decompression interface. Every JPEG the
// program shows (built in or a replacement file) is decoded here: a corrupt,
// truncated or absurdly large file gives a null image and an error text, never
// a process exit.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace Jpeg {

// Limits for what is decoded at all.
constexpr int MaxSide = 8192;                      // pixels, either side
constexpr qint64 MaxPixels = 16LL * 1024 * 1024;   // width * height
constexpr qint64 MaxFileSize = 32LL * 1024 * 1024; // bytes read from a file
constexpr int MaxScans = 256;                      // progressive scans

// Decodes the JPEG bytes into an image of format RGB32 (grayscale and CMYK
// files are converted). On failure returns a null image and, when error is
// given, a text naming the reason.
QImage Decode(const QByteArray& bytes, QString* error = nullptr);

// Reads the file and decodes it.
QImage DecodeFile(const QString& path, QString* error = nullptr);

} // namespace Jpeg
