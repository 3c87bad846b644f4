#pragma once

// The stages of the render chain. Each takes the picture by value and returns the
// picture for the next stage: either the same image (the stage had nothing to do, or it
// changed the pixels in place) or a new one. Pass the picture with std::move to let an
// in-place stage work without copying it. No stage ever changes an image that another
// owner still shares (QImage copies on write).
//
// Pictures are QImage::Format_RGB32 (bytes blue, green, red, unused). A null image
// passes through every stage untouched.

// The stages in chain order.
#include "photos/stages/ColorBalance.h"
#include "photos/stages/Frame.h"
#include "photos/stages/Geometry.h"
#include "photos/stages/Resize.h"
#include "photos/stages/Shadow.h"
#include "photos/stages/Watermark.h"
