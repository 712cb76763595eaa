#include "core/ClientInfo.h"

#include <string_view>

#include "core/Settings.h"

namespace core {

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

bool RequisitesFilled(const TClientInfo& info) {
    const auto blank = [](std::string_view text) {
        // Windows-1251: 0xA0 is the no-break space.
        return text.find_first_not_of(" \t\r\n\v\f\xA0") == std::string_view::npos;
    };
    return !blank(info.klient) && !blank(info.adres) && !blank(info.telefon) &&
           !blank(info.kontaktLico);
}

}  // namespace core
