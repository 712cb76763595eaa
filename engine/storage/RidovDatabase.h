// TRidovDatabase gives a group of tables a common folder and a date format
// for query parameters, and closes its tables when it goes away.
//
// Datasets take part through the DatabaseUser interface: they register in
// the open list while open, and in the user list while they refer to the
// database at all, so that they can forget it when it is destroyed.
//
// Thread safety: single-threaded.
#pragma once

#include <string>
#include <vector>

namespace ridov {

class TRidovSession;

class DatabaseUser {
  public:
    // The database is going away: close if open.
    virtual void CloseForDatabase() = 0;
    // The database is gone: drop every reference to it.
    virtual void ForgetDatabase() = 0;

  protected:
    ~DatabaseUser() = default;
};

class TRidovDatabase {
  public:
    TRidovDatabase();  // registers with the process's session
    explicit TRidovDatabase(TRidovSession& session);
    ~TRidovDatabase();
    TRidovDatabase(const TRidovDatabase&) = delete;
    TRidovDatabase& operator=(const TRidovDatabase&) = delete;

    // Format for date and date-time query parameters.
    std::string DateFormat = "mm/dd/yyyy";
    // Written before and after a formatted date parameter.
    static constexpr char kDateQuote = '"';

    // Folder for tables given by bare file name; kept with a trailing folder
    // separator when not empty.
    const std::string& DatabasePath() const { return databasePath_; }
    void SetDatabasePath(const std::string& path);

    void AddOpenDataset(DatabaseUser* ds);
    void RemoveOpenDataset(DatabaseUser* ds);
    const std::vector<DatabaseUser*>& OpenDatasets() const { return open_; }
    void AddUser(DatabaseUser* ds);
    void RemoveUser(DatabaseUser* ds);

    // Called by the session when it is destroyed first: closes the open
    // datasets and forgets the session.
    void DetachFromSession();

  private:
    void CloseAll();

    TRidovSession* session_;
    std::string databasePath_;
    std::vector<DatabaseUser*> open_;
    std::vector<DatabaseUser*> users_;
};

}  // namespace ridov
