#include "app/ClientInfo.h"

#include "app/Settings.h"

namespace app {

TClientInfo LoadClientInfo(const std::string& settingsFile) {
    TClientInfo info;
    info.klient = ReadSetting(settingsFile, kClientSection, kKeyKlient);
    info.telefon = ReadSetting(settingsFile, kClientSection, kKeyTelefon);
    info.kontaktLico = ReadSetting(settingsFile, kClientSection, kKeyKontaktLico);
    info.adres = ReadSetting(settingsFile, kClientSection, kKeyAdres);
    info.downLoadUrl = ReadSetting(settingsFile, kClientSection, kKeyDownLoadURL);
    info.summary =
        info.klient + ";" + info.telefon + ";" + info.kontaktLico + ";" + info.adres + ";";
    return info;
}

}  // namespace app
