#pragma once

#include <QtGlobal>

namespace vellumora {

// Names one open photo for as long as the program runs; never given twice, so nothing
// that outlives a photo (an undo step, a decode on its way) can be taken for another's.
// A photo brought back by Undo Close is the same photo and keeps its id. 0 names none.
using TPhotoId = quint64;

}  // namespace vellumora
