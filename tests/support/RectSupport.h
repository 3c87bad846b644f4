#pragma once

// TRect in QtTest data tables and in the messages of failed checks.

#include <QMetaType>
#include <QString>
#include <QTest>

#include "photos/settings/PhotoInfo.h"

Q_DECLARE_METATYPE(vellumora::TRect)

namespace vellumora {

inline QString RectText(const TRect& r) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom);
}

inline char* toString(const TRect& r) {
    return QTest::toString(RectText(r));
}

}  // namespace vellumora
