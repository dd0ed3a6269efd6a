#pragma once
// JPEG files written through libjpeg's compression interface: the artwork
// generator writes the built-in pictures with it, and the tests make their
// baseline, progressive, grayscale and CMYK samples with it.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace JpegWriter {

struct Options {
    int quality = 92;
    bool progressive = false;
    bool grayscale = false;
    // Four-component CMYK with an Adobe marker, stored inverted as Adobe
    // applications write it.
    bool cmyk = false;
    // 4:2:0 chroma subsampling; off keeps thin coloured text crisp.
    bool subsample = false;
};

QByteArray Encode(const QImage& image, const Options& options = {});
bool Save(const QImage& image, const QString& path, const Options& options = {});

} // namespace JpegWriter
