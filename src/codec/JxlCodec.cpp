#include "codec/JxlCodec.h"

namespace vellumora::codec {

bool LooksLikeJxl(const QByteArray&) {
    return false;
}
TDecoded DecodeJxl(const QByteArray&, const TLoadOptions&) {
    return TDecoded::Failed();
}
TImageHeader ReadJxlHeader(const QString&) {
    return {};
}
bool EncodeJxl(const QImage&, const TMetadataBlobs&, QByteArray*, QString* error) {
    if (error) *error = QStringLiteral("not written yet");
    return false;
}

}  // namespace vellumora::codec
