#include "photos/settings/FieldGroups.h"

#include "photos/settings/Fields.h"

namespace vellumora {

void CopyFieldGroup(TFieldGroup group, const TPhotoInfo& source, TPhotoInfo& target) {
    for (const TField& field : Fields())
        if (field.group == group) field.Copy(source, target);
}

void ResetPerPhotoEdits(TPhotoInfo& info) {
    for (const TField& field : Fields())
        if (field.scope == TScope::Edit) field.Reset(info);
}

}  // namespace vellumora
