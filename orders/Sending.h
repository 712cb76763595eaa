// Sending an order: the e-mail prepared in the user's mail program with the
// order file named for attachment and the requisites as subject, an empty
// e-mail to the wholesaler, the wholesaler's web site, and the copy of the
// order file to a removable medium. The program sends nothing itself: the
// desktop's mail program and browser do.
//
// The wholesaler's order address and web address are built in and may be
// replaced in the settings file (section "Client", keys "OrderEmail" and
// "WebSite"); "Manager" there replaces the recipient of orders.
//
// Settings files are native paths (UTF-8), read at the moment of use.
//
// Thread safety: GUI thread only (the commands show boxes).
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

namespace orders {

inline constexpr char kDefaultOrderAddress[] = "zakaz@zetrovo.ru";
inline constexpr char kDefaultWebAddress[] = "http://www.zetrovo.ru";
inline constexpr char kKeyOrderEmail[] = "OrderEmail";
inline constexpr char kKeyWebSite[] = "WebSite";

// A mail link: recipient, subject, body and the path named for attachment.
struct MailLink {
    QString recipient;
    QString subject;
    QString body;
    QString attachment;

    // mailto:<recipient>?subject=<subject>&body=<body>&attach="<attachment>"
    // with the values as they are (blanks and Cyrillic letters included).
    QString Text() const;
    // The same link as a URI the desktop accepts: each value in UTF-8,
    // percent-encoded wherever a URI requires it (the "@" of the recipient
    // stays).
    QByteArray Uri() const;
};

// The wholesaler's addresses: the setting when it is not blank (trimmed),
// else the built-in one.
QString OrderAddress(const std::string& settingsFile);
QString WebAddress(const std::string& settingsFile);

// The order e-mail for `orderPath`: to "Manager" (trimmed) or, when that is
// blank, to OrderAddress; the requisites line "Klient;Telefon;KontaktLico;
// Adres;" as subject; a body that reminds to attach the file.
MailLink OrderMail(const std::string& settingsFile, const QString& orderPath);
// An e-mail to OrderAddress with nothing else filled in.
MailLink EmptyMail(const std::string& settingsFile);

// "Почтовая программа не обнаружена.", "Интернет браузер не обнаружен."
QString NoMailProgramText();
QString NoBrowserText();

// The commands: each opens its link with the desktop's program and shows
// the information box above when there is none. Without an order (an
// empty path) the order commands do nothing.
void SendOrderByMail(const std::string& settingsFile, const QString& orderPath);
void SendEmptyMail(const std::string& settingsFile);
void OpenWebSite(const std::string& settingsFile);

// The copy of an order file to a removable medium (none without an order:
// Cancelled).
enum class CopyOutcome {
    NoMedium,   // none inserted and writable: nothing happens, nothing is said
    Cancelled,  // the user chose no medium or declined to overwrite
    Copied,
    Failed,  // reported with a warning box; the medium holds no part of the file
};
// With one medium the file goes there; with several the user picks one in
// the folder dialog (a folder on one of them). The file keeps its name; an
// existing file of that name is replaced only after the overwrite question.
// The copy is written beside the target and renamed over it, so the medium
// never holds a partial file under the order's name.
CopyOutcome CopyOrderToRemovableMedium(const QString& orderPath);

}  // namespace orders
