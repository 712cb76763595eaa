#include "engine/storage/RidovDatabase.h"

#include <algorithm>

#include "engine/storage/RidovSession.h"
#include "platform/Platform.h"

namespace ridov {

namespace {
void Erase(std::vector<DatabaseUser*>& list, DatabaseUser* ds) {
    auto it = std::find(list.begin(), list.end(), ds);
    if (it != list.end()) list.erase(it);
}
}  // namespace

TRidovDatabase::TRidovDatabase() : TRidovDatabase(TRidovSession::Instance()) {}

TRidovDatabase::TRidovDatabase(TRidovSession& session) : session_(&session) {
    session_->RegisterDatabase(this);
}

TRidovDatabase::~TRidovDatabase() {
    CloseAll();
    // Users forget the database; each removes itself from the list.
    while (!users_.empty()) {
        DatabaseUser* user = users_.back();
        users_.pop_back();
        user->ForgetDatabase();
    }
    if (session_) session_->UnregisterDatabase(this);
}

void TRidovDatabase::CloseAll() {
    // From the last to the first; closing removes a dataset from the list,
    // and a dataset that fails to close is taken off all the same.
    while (!open_.empty()) {
        DatabaseUser* ds = open_.back();
        open_.pop_back();
        ds->CloseForDatabase();
        Erase(open_, ds);
    }
}

void TRidovDatabase::DetachFromSession() {
    CloseAll();
    session_ = nullptr;
}

void TRidovDatabase::SetDatabasePath(const std::string& path) {
    if (path == databasePath_) return;
    databasePath_ = path;
    if (!databasePath_.empty() && !platform::IsPathSeparator(databasePath_.back())) {
        // A database detached from its session still names its folder.
        databasePath_ += session_ ? session_->Platform().PathSeparator()
                                  : platform::CurrentPlatform().PathSeparator();
    }
}

void TRidovDatabase::AddOpenDataset(DatabaseUser* ds) {
    if (std::find(open_.begin(), open_.end(), ds) == open_.end()) open_.push_back(ds);
}
void TRidovDatabase::RemoveOpenDataset(DatabaseUser* ds) {
    Erase(open_, ds);
}
void TRidovDatabase::AddUser(DatabaseUser* ds) {
    if (std::find(users_.begin(), users_.end(), ds) == users_.end()) users_.push_back(ds);
}
void TRidovDatabase::RemoveUser(DatabaseUser* ds) {
    Erase(users_, ds);
}

}  // namespace ridov
