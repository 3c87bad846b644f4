#include "photos/settings/Templates.h"

#include <algorithm>

#include "photos/settings/IniFile.h"
#include "photos/settings/Names.h"

namespace vellumora {
namespace {

const QString kDefaultSection = QStringLiteral("DEFAULT");
const QString kDefaultKey = QStringLiteral("DEFAULT");
const QString kDescriptionKey = QStringLiteral("DESCRIPTION");
const QString kTemplatePrefix = QStringLiteral("TEMPLATE");

}  // namespace

bool SameSection(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsDefaultSection(const QString& section) {
    return SameSection(section, kDefaultSection);
}

QString DefaultTemplateName(const TIniFile& file) {
    return file.ReadString(kDefaultSection, kDefaultKey, kNoTemplate);
}

QString DefaultTemplateName(const QString& path) {
    return DefaultTemplateName(TIniFile(path));
}

// Everything goes into the file in memory and is written once, so a refused write leaves
// no description without its settings behind.
QString AddTemplate(const TPhotoInfo& info, const QString& description, bool makeDefault,
                    const QString& path) {
    TIniFile file(path);
    int n = 1;
    while (!file.Keys(kTemplatePrefix + QString::number(n)).isEmpty()) ++n;
    const QString section = kTemplatePrefix + QString::number(n);

    file.WriteString(section, kDescriptionKey, description);
    if (makeDefault) file.WriteString(kDefaultSection, kDefaultKey, section);
    info.WriteTemplate(file, section);
    file.UpdateFile();
    return section;
}

QList<TTemplateItem> ListTemplates(const TIniFile& file) {
    const QString defaultName = DefaultTemplateName(file);
    QList<TTemplateItem> items;
    for (const QString& section : file.Sections()) {
        if (IsDefaultSection(section)) continue;
        items.append({section, file.ReadString(section, kDescriptionKey),
                      SameSection(section, defaultName)});
    }
    return items;
}

QString TemplateMenuCaption(int number, const QString& description, bool isDefault) {
    QString text = description;
    // Doubled, an "&" is shown instead of marking a second accelerator.
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    QString caption = QLatin1Char('&') + QString::number(number) + QLatin1String(". ") + text;
    if (isDefault) caption += QLatin1String(" (Default)");
    return caption;
}

void TTemplateEdits::Load(const TIniFile& file) {
    rows_.clear();
    defaultSection_ = DefaultTemplateName(file);
    for (const TTemplateItem& item : ListTemplates(file)) {
        // Read through the field table, so a missing or unreadable key counts as its
        // built-in default, as it does when the template is applied.
        TPhotoInfo info;
        info.ReadTemplate(file, item.section);
        rows_.append({.section = item.section,
                      .description = item.description,
                      .max = info.Max,
                      .watermark = info.Watermark,
                      .mask = !info.MaskName.isEmpty(),
                      .border = info.Outside.Width >= 1 || info.Inside.Width >= 1,
                      .shadow = info.Radius > 0 || info.Offset >= 1});
    }
}

bool TTemplateEdits::IsDefault(int row) const {
    return SameSection(rows_.at(row).section, defaultSection_);
}

QString TTemplateEdits::Caption(int row) const {
    const QString& description = rows_.at(row).description;
    const qsizetype cut = std::max(description.lastIndexOf(QLatin1Char('\\')),
                                   description.lastIndexOf(QLatin1Char(':')));
    QString caption = description.mid(cut + 1);
    if (IsDefault(row)) caption += QLatin1String(" (Default)");
    return caption;
}

void TTemplateEdits::Rename(int row, const QString& text) {
    rows_[row].description = TrimBlanks(text);
}

void TTemplateEdits::SetDefault(int row, bool isDefault) {
    if (isDefault)
        defaultSection_ = rows_.at(row).section;
    else if (IsDefault(row))
        defaultSection_ = kNoTemplate;
}

int TTemplateEdits::Remove(int row) {
    if (row < 0 || row >= Count()) return -1;
    if (IsDefault(row)) defaultSection_ = kNoTemplate;
    rows_.removeAt(row);
    return std::min(row, Count() - 1);
}

void TTemplateEdits::Store(TIniFile& file) const {
    for (const QString& section : file.Sections()) {
        const auto row = std::find_if(rows_.begin(), rows_.end(), [&](const TTemplateSummary& r) {
            return SameSection(r.section, section);
        });
        if (row == rows_.end() || IsDefaultSection(section))
            file.EraseSection(section);
        else
            file.WriteString(section, kDescriptionKey, row->description);
    }
    file.WriteString(kDefaultSection, kDefaultKey, defaultSection_);
}

// Erasing and rewriting in memory and replacing the file once: a write refused half-way
// would otherwise leave some templates erased and the others unrenamed.
void TTemplateEdits::Save(const QString& path) const {
    TIniFile file(path);
    Store(file);
    file.UpdateFile();
}

}  // namespace vellumora
