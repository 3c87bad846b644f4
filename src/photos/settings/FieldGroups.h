#pragma once

// The groups of settings that the edit dialogs change, and how a group moves between
// records: a dialog's Cancel restores its group from a backup, and "OK for All" spreads
// the current photo's group to every open photo.

#include "photos/settings/PhotoInfo.h"

namespace vellumora {

enum class TFieldGroup { Resize, Crop, Color, Watermark, Border };

// Copies the group's fields from source into target, each value as it stands.
void CopyFieldGroup(TFieldGroup group, const TPhotoInfo& source, TPhotoInfo& target);

// Crop, orientation and colour balance start afresh: what a photo opened "with current
// settings" and a batch entry keep of the record they copy is its template fields and Ratio.
void ResetPerPhotoEdits(TPhotoInfo& info);

}  // namespace vellumora
