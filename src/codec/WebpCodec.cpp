#include "codec/WebpCodec.h"

namespace vellumora::codec {

bool LooksLikeWebp(const QByteArray&) {
    return false;
}
TDecoded DecodeWebp(const QByteArray&, const TLoadOptions&, int) {
    return TDecoded::Failed();
}
bool EncodeWebp(const QImage&, const TMetadataBlobs&, QByteArray*, QString* error) {
    if (error) *error = QStringLiteral("not written yet");
    return false;
}

}  // namespace vellumora::codec
