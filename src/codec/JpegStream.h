#pragma once

// A JPEG decoded a few rows at a time, for callers that shrink or cut the picture as it
// arrives and so never hold the original whole. Only the files whose rows come out
// exactly as DoLoad's do qualify; for the rest DoLoad remains the way (and says why a
// file cannot be read).

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

#include "codec/Codec.h"
#include "codec/Metadata.h"

namespace vellumora {

class TJpegStream {
public:
    // Reads the file and its header; decodes nothing yet. The options' minimums choose
    // the same DCT scale DoLoad would (their metadata pointer is not used: see Metadata()).
    TJpegStream(const QString& path, const TLoadOptions& options);

    // A JPEG that can be decoded by rows: one sequential scan of 8-bit YCbCr, RGB or grey
    // samples, whose colours need no conversion to sRGB, read exactly (not a preview).
    // Progressive and multi-scan files would hold every coefficient of the picture
    // until the end, so they are left to DoLoad like CMYK, 12-bit and damaged headers.
    bool Streamable() const { return streamable_; }
    // The size as stored in the file (before the EXIF orientation), at the chosen scale.
    QSize StoredSize() const { return stored_; }
    // The size DoLoad gives: StoredSize turned upright.
    QSize Size() const;
    // The EXIF orientation code, 1 to 8.
    int Orientation() const { return orientation_; }
    // The file's metadata, as DoLoad reports it.
    const TMetadata& Metadata() const { return metadata_; }

    // Called with each row of the area, top to bottom: its stored row index and
    // area.width() pixels in kPixelFormat, valid during the call.
    using TRowSink = std::function<void(int y, const uchar* row)>;
    // Decodes the rows of area (stored orientation, chosen scale; within StoredSize), and
    // only as much around it as the decoder needs. False when the decode meets damage or
    // runs out of memory: the rows given so far are not to be used.
    bool Decode(const QRect& area, const TRowSink& sink) const;

private:
    QByteArray data_;
    bool streamable_ = false;
    QSize stored_;
    int scaleNum_ = 1;
    int scaleDenom_ = 1;
    int orientation_ = 1;
    TMetadata metadata_;
};

}  // namespace vellumora
