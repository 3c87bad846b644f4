#include "codec/HeifCodec.h"

namespace vellumora::codec {

bool LooksLikeHeif(const QByteArray&) {
    return false;
}
TDecoded DecodeHeif(const QByteArray&, const TLoadOptions&) {
    return TDecoded::Failed();
}
TImageHeader ReadHeifHeader(const QString&) {
    return {};
}
bool EncodeAvif(const QImage&, const TMetadataBlobs&, QByteArray*, QString* error) {
    if (error) *error = QStringLiteral("not written yet");
    return false;
}

}  // namespace vellumora::codec
