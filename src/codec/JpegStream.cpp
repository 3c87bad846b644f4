#include "codec/JpegStream.h"

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "codec/CodecUtil.h"
#include "codec/JpegCodec.h"
#include "codec/MetadataIo.h"
#include "codec/RawCodec.h"

namespace vellumora {
namespace {

// As TurboJPEG's BGRX and XRGB: kPixelFormat's bytes.
constexpr J_COLOR_SPACE kOutSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The decoder is told to decode this many pixels more on every side of the area than it
// is asked for: the upsampling of chroma treats the edges of what it decodes as the
// picture's, so the outermost pixels of a cut differ from the same pixels decoded whole.
constexpr int kMargin = 16;
// Rows of the decoder's output handed over at a time.
constexpr int kBandRows = 16;

// Errors end the decode by a jump back into Decode; so does any warning (corrupt data,
// a file cut short): DoLoad then decodes such a file its own way.
struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->jump, 1);
}

void EmitMessage(j_common_ptr info, int level) {
    if (level < 0) std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->jump, 1);
}

void OutputMessage(j_common_ptr) {}

// A decompressor with our error handling, destroyed however Decode leaves.
struct TDecompressor {
    jpeg_decompress_struct info{};
    TErrorManager error{};

    TDecompressor() {
        info.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = ErrorExit;
        error.pub.emit_message = EmitMessage;
        error.pub.output_message = OutputMessage;
        jpeg_create_decompress(&info);
    }
    ~TDecompressor() { jpeg_destroy_decompress(&info); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
};

bool ReadFile(const QString& path, QByteArray* data) {
    const QFileInfo info(path);
    // What DoLoad would refuse, or try LibRaw on first, it also reports or decodes itself.
    if (!info.isFile() || info.size() < 3 || info.size() > (qint64(2) << 30) ||
        codec::IsRawSuffix(info.suffix().toLower()))
        return false;
    QFile file(path);
    // The signature first: a file of another type is left to DoLoad unread, not read
    // twice.
    if (!file.open(QIODevice::ReadOnly) || !codec::LooksLikeJpeg(file.peek(3))) return false;
    *data = file.readAll();
    return codec::LooksLikeJpeg(*data);
}

}  // namespace

TJpegStream::TJpegStream(const QString& path, const TLoadOptions& options) {
    if (options.preview || !ReadFile(path, &data_)) return;
    TDecompressor d;
    if (setjmp(d.error.jump)) return;
    jpeg_mem_src(&d.info, reinterpret_cast<const uchar*>(data_.constData()),
                 static_cast<unsigned long>(data_.size()));
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK) return;
    const int width = int(d.info.image_width);
    const int height = int(d.info.image_height);
    if (width < 1 || height < 1 || ExceedsPixelLimit(width, height)) return;
    if (d.info.data_precision != 8 || d.info.progressive_mode || jpeg_has_multiple_scans(&d.info))
        return;
    const J_COLOR_SPACE space = d.info.jpeg_color_space;
    if (space != JCS_YCbCr && space != JCS_RGB && space != JCS_GRAYSCALE) return;

    const QByteArray icc = codec::ReadIccProfile(reinterpret_cast<const uchar*>(data_.constData()),
                                                 size_t(data_.size()));
    if (!icc.isEmpty()) {
        const QColorSpace colorSpace = QColorSpace::fromIccProfile(icc);
        if (colorSpace.isValid() && !codec::IsSrgbEquivalent(colorSpace)) return;
    }

    const tjscalingfactor scale = codec::ChooseScale(width, height, options);
    d.info.scale_num = unsigned(scale.num);
    d.info.scale_denom = unsigned(scale.denom);
    d.info.out_color_space = kOutSpace;
    jpeg_calc_output_dimensions(&d.info);
    stored_ = QSize(int(d.info.output_width), int(d.info.output_height));
    if (stored_ != QSize(TJSCALED(width, scale), TJSCALED(height, scale))) return;
    scaleNum_ = scale.num;
    scaleDenom_ = scale.denom;

    metadata_ = codec::ReadMetadata(data_);
    orientation_ = std::clamp(metadata_.Orientation(), 1, 8);
    streamable_ = true;
}

QSize TJpegStream::Size() const {
    return orientation_ >= 5 ? stored_.transposed() : stored_;
}

bool TJpegStream::Decode(const QRect& area, const TRowSink& sink) const {
    if (!streamable_ || area.isEmpty() || !QRect(QPoint(0, 0), stored_).contains(area))
        return false;
    // Both laid out before the jump point and not changed after it.
    const JDIMENSION wantLeft = JDIMENSION(std::max(0, area.left() - kMargin));
    const JDIMENSION wantRight = JDIMENSION(std::min(stored_.width(), area.right() + 1 + kMargin));
    const int firstRow = std::max(0, area.top() - kMargin);
    // The decoder widens the cut to whole blocks on the left: at most a block of 4 x 16.
    const size_t capacity = size_t(wantRight - wantLeft) + 64;
    std::vector<uchar> band(capacity * 4 * kBandRows);
    std::vector<JSAMPROW> rows(kBandRows);
    for (int i = 0; i < kBandRows; ++i) rows[i] = band.data() + size_t(i) * capacity * 4;

    TDecompressor d;
    if (setjmp(d.error.jump)) return false;
    jpeg_mem_src(&d.info, reinterpret_cast<const uchar*>(data_.constData()),
                 static_cast<unsigned long>(data_.size()));
    jpeg_read_header(&d.info, TRUE);
    // TurboJPEG's settings for an exact decode.
    d.info.scale_num = unsigned(scaleNum_);
    d.info.scale_denom = unsigned(scaleDenom_);
    d.info.out_color_space = kOutSpace;
    d.info.dct_method = JDCT_ISLOW;
    d.info.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&d.info);
    if (QSize(int(d.info.output_width), int(d.info.output_height)) != stored_) return false;

    JDIMENSION left = wantLeft;
    JDIMENSION width = wantRight - wantLeft;
    if (left > 0 || width < d.info.output_width) jpeg_crop_scanline(&d.info, &left, &width);
    if (int(left) > area.left() || int(left + width) < area.left() + area.width() ||
        width > capacity)
        return false;

    if (firstRow > 0 && int(jpeg_skip_scanlines(&d.info, JDIMENSION(firstRow))) != firstRow)
        return false;
    const size_t offset = size_t(area.left() - int(left)) * 4;
    while (int(d.info.output_scanline) <= area.bottom()) {
        const int y0 = int(d.info.output_scanline);
        const int got = int(jpeg_read_scanlines(&d.info, rows.data(), kBandRows));
        if (got <= 0) return false;
        for (int i = 0; i < got; ++i) {
            const int y = y0 + i;
            if (y >= area.top() && y <= area.bottom()) sink(y, rows[i] + offset);
        }
    }
    // The rows below the area are never decoded.
    jpeg_abort_decompress(&d.info);
    return true;
}

}  // namespace vellumora
