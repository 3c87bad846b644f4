#include "forms/main/Help.h"

#include <QFileInfo>

#include "forms/common/Platform.h"
#include "photos/settings/ProgramFolder.h"

namespace vellumora {

QString HelpIndexFile() {
    const QString folder = ShippedDataFolder();
    if (folder.isEmpty()) return {};
    const QString index = folder + QStringLiteral("/help/index.html");
    return QFileInfo(index).isFile() ? index : QString();
}

QUrl HomepageUrl() {
    // example.org is reserved for examples: a stand-in until the project has a domain
    // of its own, so the menu item leads nowhere it should not.
    return QUrl(QStringLiteral("https://vellumora.example.org/"));
}

bool OpenHelpContents(TPlatform& platform, QWidget* parent) {
    const QString index = HelpIndexFile();
    if (index.isEmpty()) {
        platform.ShowWarning(parent,
                             QStringLiteral("Cannot open the user guide: it is not installed!"));
        return false;
    }
    return platform.OpenUrl(QUrl::fromLocalFile(index));
}

}  // namespace vellumora
