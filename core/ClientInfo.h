// The customer's requisites as the settings file holds them: section
// "Client" of the settings file.
#pragma once

#include <string>

namespace core {

// Section and keys of the settings file (Windows-1251, ASCII here).
inline constexpr char kClientSection[] = "Client";
inline constexpr char kKeyKlient[] = "Klient";            // firm name
inline constexpr char kKeyAdres[] = "Adres";              // address
inline constexpr char kKeyTelefon[] = "Telefon";          // phone
inline constexpr char kKeyKontaktLico[] = "KontaktLico";  // contact person
inline constexpr char kKeyFotoDir[] = "FotoDir";          // photo folder
inline constexpr char kKeyDownLoadURL[] = "DownLoadURL";
inline constexpr char kKeyManager[] = "Manager";            // e-mail of the customer's manager
inline constexpr char kKeyUpdateServer[] = "UpdateServer";  // see update/UpdateServer.h

// All texts Windows-1251.
struct TClientInfo {
    std::string klient;
    std::string telefon;
    std::string kontaktLico;
    std::string adres;
    std::string downLoadUrl;
    // "Klient;Telefon;KontaktLico;Adres;" (every value followed by ";"),
    // the e-mail subject of an order.
    std::string summary;
};

// Reads the five values of section "Client" of `settingsFile` (empty when
// missing) and builds the summary line.
TClientInfo LoadClientInfo(const std::string& settingsFile);

// The requisites check before a product is ordered: firm, address, phone
// and contact person are all non-empty once leading and trailing blanks
// (spaces, tabs, line ends, no-break spaces) are removed.
bool RequisitesFilled(const TClientInfo& info);

}  // namespace core
