#include "photos/stages/StreamRender.h"

#include <algorithm>
#include <vector>

#include "photos/stages/Geometry.h"
#include "photos/stages/Render.h"
#include "photos/stages/Resize.h"
#include "photos/stages/StreamResize.h"

namespace vellumora {

bool StreamsOrientation(int exifOrientation) {
    // Upright, mirrored, upside down and both: rows stay rows.
    return exifOrientation >= 1 && exifOrientation <= 4;
}

QImage RenderStreamed(const TJpegStream& source, const TPhotoInfo& info, const QImage& mask,
                      QString* error) {
    if (!source.Streamable() || !StreamsOrientation(source.Orientation())) return {};
    const QSize upright = source.Size();
    const TRenderSize size = RenderedSize(upright, info);
    if (size.width <= 0 || size.height <= 0 || size.Pixels() > kMaxRenderPixels) return {};

    const QRect area = CroppedArea(upright, info.Crop);
    TRowResampler resampler(area.size(), ResizedSize(area.size(), info.Max, info.Keep));
    if (!resampler.Ok()) return {};

    // Where the upright area lies in the rows as stored.
    const int orientation = source.Orientation();
    const bool mirrored = orientation == 2 || orientation == 3;
    const bool upsideDown = orientation == 3 || orientation == 4;
    const QSize stored = source.StoredSize();
    const QRect storedArea(mirrored ? stored.width() - 1 - area.right() : area.left(),
                           upsideDown ? stored.height() - 1 - area.bottom() : area.top(),
                           area.width(), area.height());
    std::vector<QRgb> turned(mirrored ? size_t(area.width()) : 0);
    const bool decoded = source.Decode(storedArea, [&](int y, const uchar* row) {
        if (mirrored) {
            const auto* pixels = reinterpret_cast<const QRgb*>(row);
            std::reverse_copy(pixels, pixels + area.width(), turned.begin());
            row = reinterpret_cast<const uchar*>(turned.data());
        }
        resampler.AddRow((upsideDown ? stored.height() - 1 - y : y) - area.top(), row);
    });
    if (!decoded) return {};
    return RenderAfterResize(resampler.Result(), info, mask, error);
}

}  // namespace vellumora
