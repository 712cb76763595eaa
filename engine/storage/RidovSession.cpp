#include "engine/storage/RidovSession.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/Crc16.h"
#include "engine/storage/RidovDatabase.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"

namespace ridov {

TRidovSession::TRidovSession() = default;

void TRidovSession::PreloadTable(const std::string& path, const text::FormatSettings& fs) {
    preload_.reset();
    preload_ = std::make_unique<TablePreload>(*this, path, fs);
}

std::optional<PreloadedTable> TRidovSession::TakePreloadedTable(const std::string& path) {
    if (!preload_) return std::nullopt;
    std::optional<PreloadedTable> table = preload_->Take(path);
    if (table) preload_.reset();
    return table;
}

TRidovSession::~TRidovSession() {
    // A read ahead uses the session: it ends first.
    preload_.reset();
    // Destroying the session destroys the databases still registered; they
    // unregister themselves, so take them from the back.
    while (!databases_.empty()) {
        TRidovDatabase* db = databases_.back();
        db->DetachFromSession();
        databases_.pop_back();
    }
}

TRidovSession& TRidovSession::Instance() {
    static TRidovSession session;
    return session;
}

void TRidovSession::AddPassword(std::string_view password) {
    if (password.empty()) return;
    auto less = [](const std::string& a, std::string_view b) {
        return text::CompareNoCase(a, b) < 0;
    };
    auto it = std::lower_bound(passwords_.begin(), passwords_.end(), password, less);
    if (it != passwords_.end() && text::CompareNoCase(*it, password) == 0) return;
    passwords_.insert(it, std::string(password));
}

void TRidovSession::RemovePassword(std::string_view password) {
    auto it = std::find_if(passwords_.begin(), passwords_.end(), [&](const std::string& p) {
        return text::CompareNoCase(p, password) == 0;
    });
    if (it != passwords_.end()) passwords_.erase(it);
}

bool TRidovSession::TryPassword(const uint8_t block[40], std::string_view password,
                                uint8_t out[40]) {
    std::memcpy(out, block, 40);
    cipher_.SetKey(password);
    cipher_.Decrypt(out, 38);
    return Crc16(out, 40) == 0 && out[0] == '{' && out[37] == '}';
}

bool TRidovSession::CheckPassword(uint8_t block[40], std::string& tablePassword) {
    uint8_t plain[40];
    auto accept = [&](std::string_view password) {
        std::memcpy(block, plain, 40);
        tablePassword = std::string(password);
        return true;
    };
    if (!tablePassword.empty() && TryPassword(block, tablePassword, plain)) {
        return accept(std::string(tablePassword));
    }
    for (const std::string& known : passwords_) {
        if (TryPassword(block, known, plain)) return accept(known);
    }
    int retries = PasswordRetries < 1 ? 3 : PasswordRetries;
    std::string entry;
    for (int attempt = 1; attempt <= retries; ++attempt) {
        if (!OnGetPassword || !OnGetPassword(entry)) return false;
        if (TryPassword(block, entry, plain)) {
            AddPassword(entry);
            return accept(entry);
        }
        bool retry = attempt < retries;
        if (OnPasswordRejected) {
            OnPasswordRejected(entry, retry);
        } else if (retry && OnShowMessage) {
            OnShowMessage("Password is invalid. Try again");
        }
    }
    return false;
}

std::string TRidovSession::NewGuidText() {
    return Platform().NewGuidText();
}

void TRidovSession::RegisterDatabase(TRidovDatabase* db) {
    databases_.push_back(db);
}

void TRidovSession::UnregisterDatabase(TRidovDatabase* db) {
    auto it = std::find(databases_.begin(), databases_.end(), db);
    if (it != databases_.end()) databases_.erase(it);
}

}  // namespace ridov
