#include "photos/settings/FieldGroups.h"

#include "photos/settings/Fields.h"

namespace vellumora {

void CopyFieldGroup(TFieldGroup group, const TPhotoInfo& source, TPhotoInfo& target) {
    // Fields set through the record's setters go last: the mask name, on which the photo
    // showing target reloads its mask, finds the rest of the group in place.
    for (const TField& field : Fields())
        if (field.group == group && !field.setter) field.Copy(source, target);
    for (const TField& field : Fields())
        if (field.group == group && field.setter) field.setter(source, target);
}

void ResetPerPhotoEdits(TPhotoInfo& info) {
    for (const TField& field : Fields())
        if (field.scope == TScope::Edit) field.Reset(info);
}

}  // namespace vellumora
