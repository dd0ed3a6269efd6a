#include "settingsui/jpegimage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it; jerror.h needs jpeglib.h.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; the
// default one ends the process. Ours jumps back into Run with the text.
struct ErrorManager {
    jpeg_error_mgr pub; // first member: libjpeg sees only this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    Fail(cinfo);
}

// Warnings that mean the picture data is damaged. libjpeg would go on and
// fill the rest with grey; a damaged replacement picture is rejected instead,
// and stopping at once keeps a truncated file from being decoded to the end.
bool IsDamage(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace output
    ++cinfo->err->num_warnings;
    if (IsDamage(cinfo->err->msg_code))
        ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {} // nothing goes to standard error

// A crafted progressive file can carry thousands of scans, each one a full
// pass over the picture; a real one has about ten.
void Progress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > Jpeg::MaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "Too many scans (more than %d)",
                      Jpeg::MaxScans);
        Fail(cinfo);
    }
}

// Everything Run touches after setjmp lives here, in memory owned by the
// caller, so nothing is lost or left in a register when libjpeg jumps back.
struct DecodeState {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    QImage image;
    std::vector<JSAMPLE> row;
    bool created = false;
};

void ConvertRow(const JSAMPLE* in, QRgb* out, int width, J_COLOR_SPACE space, bool adobeInverted) {
    switch (space) {
    case JCS_GRAYSCALE:
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(in[x], in[x], in[x]);
        break;
    case JCS_CMYK:
        for (int x = 0; x < width; ++x, in += 4) {
            // Adobe writes CMYK inverted (0 = full ink); others store it plainly.
            const int c = adobeInverted ? in[0] : 255 - in[0];
            const int m = adobeInverted ? in[1] : 255 - in[1];
            const int y = adobeInverted ? in[2] : 255 - in[2];
            const int k = adobeInverted ? in[3] : 255 - in[3];
            out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
        }
        break;
    default:
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[0], in[1], in[2]);
        break;
    }
}

// Returns false with state->err.message filled on any failure.
bool Run(DecodeState* state, const unsigned char* data, unsigned long size) {
    j_decompress_ptr cinfo = &state->cinfo;
    cinfo->err = jpeg_std_error(&state->err.pub);
    state->err.pub.error_exit = ErrorExit;
    state->err.pub.emit_message = EmitMessage;
    state->err.pub.output_message = OutputMessage;

    if (setjmp(state->err.jump)) {
        if (state->created)
            jpeg_destroy_decompress(&state->cinfo);
        state->created = false;
        state->image = QImage();
        return false;
    }

    jpeg_create_decompress(cinfo);
    state->created = true;
    cinfo->mem->max_memory_to_use = 256L * 1024 * 1024;
    state->progress.progress_monitor = Progress;
    cinfo->progress = &state->progress;

    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);

    const JDIMENSION width = cinfo->image_width;
    const JDIMENSION height = cinfo->image_height;
    if (width > static_cast<JDIMENSION>(Jpeg::MaxSide) ||
        height > static_cast<JDIMENSION>(Jpeg::MaxSide) ||
        static_cast<qint64>(width) * height > Jpeg::MaxPixels) {
        std::snprintf(state->err.message, sizeof state->err.message,
                      "Picture too large (%u x %u pixels)", static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        Fail(reinterpret_cast<j_common_ptr>(cinfo));
    }

    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        break;
    default:
        cinfo->out_color_space = JCS_RGB;
        break;
    }

    jpeg_start_decompress(cinfo);

    const int outWidth = static_cast<int>(cinfo->output_width);
    const int outHeight = static_cast<int>(cinfo->output_height);
    state->image = QImage(outWidth, outHeight, QImage::Format_RGB32);
    if (state->image.isNull()) {
        std::snprintf(state->err.message, sizeof state->err.message, "Out of memory");
        Fail(reinterpret_cast<j_common_ptr>(cinfo));
    }
    state->row.assign(static_cast<size_t>(outWidth) * static_cast<size_t>(cinfo->output_components),
                      0);

    const bool adobeInverted = cinfo->saw_Adobe_marker != 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        JSAMPROW rows[1] = {state->row.data()};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
            std::snprintf(state->err.message, sizeof state->err.message, "Decoding stopped");
            Fail(reinterpret_cast<j_common_ptr>(cinfo));
        }
        ConvertRow(state->row.data(), reinterpret_cast<QRgb*>(state->image.scanLine(y)), outWidth,
                   cinfo->out_color_space, adobeInverted);
    }

    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    state->created = false;
    return true;
}

} // namespace

namespace Jpeg {

QImage Decode(const QByteArray& bytes, QString* error) {
    DecodeState state;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (!Run(&state, data, static_cast<unsigned long>(bytes.size()))) {
        if (error)
            *error = QString::fromLatin1(state.err.message);
        return QImage();
    }
    if (error)
        error->clear();
    return state.image;
}

QImage DecodeFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
        return QImage();
    }
    if (file.size() > MaxFileSize) {
        if (error)
            *error = QStringLiteral("File too large: %1 (%2 bytes)").arg(path).arg(file.size());
        return QImage();
    }
    return Decode(file.read(MaxFileSize + 1), error);
}

} // namespace Jpeg
