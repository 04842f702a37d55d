#include "update/x11/update_settings.h"

UpdateSettings& updateSettings() {
    static UpdateSettings settings{QStringLiteral(VTR_UPDATE_BASE_URL)};
    return settings;
}

QString updateFileUrl(const QString& fileName) {
    return updateSettings().baseUrl + fileName;
}
