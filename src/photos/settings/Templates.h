#pragma once

// The template store: named copies of the template fields of a photo's settings, kept in
// Templates.dat in the program folder. Every section but DEFAULT is one template, in file
// order, with its DESCRIPTION and the template keys; key DEFAULT of section DEFAULT names
// the template every new photo starts from ("NONE" for none).
//
// Section names compare without case here, as the settings files compare them, so the
// template marked as the default is always the one new photos read.

#include <QList>
#include <QString>

#include "photos/settings/PhotoInfo.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {

class TIniFile;

// The value of DEFAULT that names no template.
inline const QString kNoTemplate = QStringLiteral("NONE");

// The section holding the default's name; never a template.
bool IsDefaultSection(const QString& section);
// Two section names name the same section of a settings file.
bool SameSection(const QString& a, const QString& b);

// The section name of the default template, or "NONE" when the file, section or key is
// missing.
QString DefaultTemplateName(const TIniFile& file);
QString DefaultTemplateName(const QString& path = TemplatesFile());

// Stores the template fields of info as a new template in the lowest free section
// "TEMPLATE" + n (a section without keys is free), its description first; with
// makeDefault it becomes the default. Returns the section name. The file is replaced in
// one step; a refused write throws TIniError and leaves it as it was.
QString AddTemplate(const TPhotoInfo& info, const QString& description, bool makeDefault,
                    const QString& path = TemplatesFile());

struct TTemplateItem {
    QString section;
    QString description;
    bool isDefault = false;
};
// The templates in file order.
QList<TTemplateItem> ListTemplates(const TIniFile& file);

// The menu caption of template number (from 1): "&" + number + ". " + description, and
// " (Default)" on the default. The accelerator falls on the number's first digit; an "&"
// in the description is shown as it stands.
QString TemplateMenuCaption(int number, const QString& description, bool isDefault);

// One template as the management list shows it.
struct TTemplateSummary {
    QString section;
    QString description;
    int max = 0;          // MAX, 640 when missing
    QString watermark;    // WATERMARK
    bool mask = false;    // MASK is not empty
    bool border = false;  // OUTSIDE.WIDTH or INSIDE.WIDTH is 1 or more
    bool shadow = false;  // RADIUS or OFFSET is 1 or more
};

// The Manage Templates dialog's working copy of the store: renames, the default mark and
// removals are made here and reach the file only through Save.
class TTemplateEdits {
public:
    // Every template of the file, in file order, and the default's name.
    void Load(const TIniFile& file);

    int Count() const { return int(rows_.size()); }
    const TTemplateSummary& Row(int row) const { return rows_.at(row); }
    const QString& DefaultSection() const { return defaultSection_; }
    bool IsDefault(int row) const;

    // The description after its last "\" or ":" (the whole of it when it holds neither),
    // and " (Default)" on the default.
    QString Caption(int row) const;

    // Stores the text, without blanks at its ends, as the row's description.
    void Rename(int row, const QString& text);
    // Marks the row as the default; unmarking the default leaves no default.
    void SetDefault(int row, bool isDefault);
    // Removes the row (and the default mark with it); returns the row to select next:
    // the one now at the same place, else the last, or -1 when none is left.
    int Remove(int row);

    // Into the file in memory: every section without a row is erased, the kept ones get
    // their descriptions (their template keys stay as they are), and DEFAULT is written
    // last, so it ends the file.
    void Store(TIniFile& file) const;
    // The same on the file at path, replaced in one step: a refused write throws TIniError
    // and leaves every template as it was.
    void Save(const QString& path) const;

private:
    QList<TTemplateSummary> rows_;
    QString defaultSection_ = kNoTemplate;
};

}  // namespace vellumora
