// The open orders of a run and the order view over the active one: what
// the order tabs show, without a widget.
//
// Each open order is a file; the data module's order view qvZayavka shows
// the active one joined with the catalog. Every change of an order is
// written to its file at once, so an order has no unsaved state: closing
// one only forgets it, and deletes the file when the order holds no lines
// (only while the file is still the one last counted, and empty: another
// copy or a restored backup may have filled it since).
//
// An order is identified by its path: the same text, or another name of
// the same file (a relative and an absolute path, a link) finds it.
//
// Errors: the engine's DatabaseError and core::WriteRefused propagate; the
// caller reports them. A failed Refresh leaves the active order with -1
// lines, which keeps its file on closing.
//
// Ownership: refers to the data module, which must outlive it.
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/DataModule.h"
#include "platform/FileIdentity.h"

namespace core {

class OrderSession {
  public:
    struct Order {
        QString path;
        // The lines counted at the last refresh; -1 while one runs or after
        // it failed.
        int lines = 0;
        // The file as it was when its lines were last counted.
        std::optional<platform::FileIdentity> identity;
    };

    // Adds the calculated field SUM (quantity times price, none for a
    // product missing from the catalog) to the order view.
    explicit OrderSession(core::DataModule& dm);

    int Count() const { return static_cast<int>(orders_.size()); }
    const Order& At(int index) const { return orders_[size_t(index)]; }
    // -1 when no order is open.
    int Active() const { return active_; }
    // REQUIRES: 0 <= index < Count().
    void SetActive(int index) { active_ = index; }
    QString ActivePath() const { return active_ >= 0 ? At(active_).path : QString(); }

    // The order with `path`, or -1.
    int Find(const QString& path) const;
    // Appends an order, which becomes the active one; its index.
    int Add(const QString& path);
    // Forgets order `index` without touching its file or the view.
    void Remove(int index);
    // Closes the order view and forgets order `index`, deleting its file
    // when it holds no lines (see above). The order after it becomes
    // active, or the first when it was the last; no view is opened.
    void Close(int index);

    // Reopens the order view for the active order and counts its lines;
    // `opened` runs right after that (the grid's columns and footer), then
    // the view returns to the line it was on, or to the line of
    // `productId` when given. Throws on a damaged order file.
    void Refresh(const std::string& productId = {}, const std::function<void()>& opened = {});

    // A new Zakaz<n>.zv in the order folder, created, stamped and added as
    // the active order (its view is not opened). Returns its path.
    QString NewOrder();
    // Stamps the active order's file with the requisites and the catalog.
    void Stamp();
    // True once, the first time in a run that the requisites did not fit
    // into an order's comment whole; the caller warns then.
    bool TakeRequisitesCutNotice();

    // Writes the active order to `path` (already checked and confirmed)
    // and makes it the active order's path; another open order that showed
    // `path` is forgotten (its file is what was just written). The view is
    // not reopened.
    void SaveAs(const QString& path);

    // The order lines, through the order view, which must be open: the
    // line of `productId` gets `quantity` (inserted when there is none),
    // or the current line is deleted; either way the file is written and
    // stamped. The view is not reopened.
    void StoreLine(const std::string& productId, int quantity);
    void DeleteCurrentLine();

  private:
    std::string CatalogTablePath() const;
    std::string SettingsPath() const;
    void NoteCut(bool cut);
    void SaveChanges();

    core::DataModule& dm_;
    std::vector<Order> orders_;
    int active_ = -1;
    bool requisitesCut_ = false;
    bool requisitesCutNoticed_ = false;
};

}  // namespace core
