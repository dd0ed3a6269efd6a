#include "resources/tools/jpegwriter.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace JpegWriter {

QByteArray Encode(const QImage& source, const Options& options) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return QByteArray();

    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);

    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);

    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    if (options.grayscale) {
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else if (options.cmyk) {
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
    } else {
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (!options.subsample && !options.grayscale)
        for (int i = 0; i < cinfo.num_components; ++i) {
            cinfo.comp_info[i].h_samp_factor = 1;
            cinfo.comp_info[i].v_samp_factor = 1;
        }
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);

    std::vector<JSAMPLE> row(static_cast<size_t>(image.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(cinfo.next_scanline));
        JSAMPLE* out = row.data();
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
            if (options.grayscale) {
                *out++ = static_cast<JSAMPLE>(qGray(r, g, b));
            } else if (options.cmyk) {
                // Inverted (Adobe) CMYK: a reader takes R = C * K / 255.
                const int k = std::max({r, g, b});
                *out++ = static_cast<JSAMPLE>(k ? r * 255 / k : 0);
                *out++ = static_cast<JSAMPLE>(k ? g * 255 / k : 0);
                *out++ = static_cast<JSAMPLE>(k ? b * 255 / k : 0);
                *out++ = static_cast<JSAMPLE>(k);
            } else {
                *out++ = static_cast<JSAMPLE>(r);
                *out++ = static_cast<JSAMPLE>(g);
                *out++ = static_cast<JSAMPLE>(b);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);

    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

bool Save(const QImage& image, const QString& path, const Options& options) {
    const QByteArray bytes = Encode(image, options);
    QFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace JpegWriter
